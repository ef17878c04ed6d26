// The three trash commands on a workspace over a real site, with a real
// (temporary) trash.
#include "platform/trashcommands.h"

#include "platform/trash_fixture.h"

#include <gtest/gtest.h>

namespace tavlori::platform {
namespace {

using test::RecordingTrashUi;
using test::TrashFixture;

class TrashCommands : public TrashFixture {
protected:
    void SetUp() override
    {
        TrashFixture::SetUp();
        workspace.readPageList(site().toStdString());
        workspace.start(site().toStdString());
    }

    ShowMoved recordMessages()
    {
        return [this](std::size_t moved, std::size_t offered) { messages.emplace_back(moved, offered); };
    }

    // Selects the page-list rows named in `names`.
    void selectPages(const std::vector<std::string> &names)
    {
        for (std::size_t i = 0; i < workspace.pageList().size(); ++i) {
            for (const std::string &name : names) {
                if (workspace.pageList().row(i) == name)
                    workspace.pageList().setSelected(i, true);
            }
        }
    }

    EngineEvents reported;
    Workspace workspace{reported};
    RecordingTrashUi ui;
    // What each command said it moved: (moved, offered).
    std::vector<std::pair<std::size_t, std::size_t>> messages;
};

TEST_F(TrashCommands, SelectedPagesAreMovedCountedAndThePageListIsReadAgain)
{
    for (const char *name : {"a.html", "b.html", "c.html"})
        writePage(site() + "/" + name);
    workspace.readPageList();
    selectPages({"a.html", "c.html"});

    trashSelectedPages(workspace, &ui, recordMessages());

    EXPECT_EQ(messages, (std::vector<std::pair<std::size_t, std::size_t>>{{2, 2}}));
    EXPECT_EQ(workspace.pageList().rows(), std::vector<std::string>{"b.html"});
    EXPECT_EQ(workspace.pageList().selectedCount(), 0u);
    EXPECT_EQ(trashedFiles(), (QStringList{"a.html", "c.html"}));
    EXPECT_TRUE(ui.confirmations.empty());
}

TEST_F(TrashCommands, NoSelectedPageMovesNothing)
{
    writePage(site() + "/a.html");
    workspace.readPageList();

    trashSelectedPages(workspace, &ui, recordMessages());

    EXPECT_EQ(messages, (std::vector<std::pair<std::size_t, std::size_t>>{{0, 0}}));
    EXPECT_EQ(siteEntries(), QStringList{"a.html"});
    EXPECT_TRUE(ui.errors.empty());
}

// A command that ends with some pages moved says how many of how many and
// reads the page list again; one that moved nothing keeps every list.
TEST_F(TrashCommands, AFailedMoveIsReportedPartialMovesCounted)
{
    struct Case {
        std::vector<const char *> vanish; // gone behind the list's back
        std::vector<std::string> pagesAfter;
    };
    const std::vector<Case> cases = {
        {{"b.html"}, {"d.html"}},
        {{"a.html", "b.html", "c.html"}, {"a.html", "b.html", "c.html", "d.html"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.vanish.size());
        for (const char *name : {"a.html", "b.html", "c.html", "d.html"})
            writePage(site() + "/" + name);
        workspace.readPageList();
        selectPages({"a.html", "b.html", "c.html"});
        workspace.searchPass();
        ASSERT_EQ(workspace.searchColumn().size(), 4u);
        for (const char *name : c.vanish)
            QFile::remove(site() + "/" + name);
        messages.clear();
        ui.errors.clear();

        const MoveResult result = trashSelectedPages(workspace, &ui, recordMessages());

        EXPECT_EQ(ui.errors.size(), c.vanish.size());
        EXPECT_EQ(messages, (std::vector<std::pair<std::size_t, std::size_t>>{{3 - c.vanish.size(), 3}}));
        EXPECT_EQ(result.moved.size(), 3 - c.vanish.size());
        EXPECT_EQ(workspace.pageList().rows(), c.pagesAfter);
        EXPECT_EQ(workspace.searchColumn().size(), result.moved.empty() ? 4u : 0u);
        for (const QString &name : siteEntries())
            QFile::remove(site() + "/" + name);
    }
}

// "不要なHTML削除" after a link investigation: every row selected, one of them
// the site folder itself (a page name holding "$").
TEST_F(TrashCommands, UnrequestedPagesGoButNeverTheSiteFolder)
{
    for (const char *name : {"old.html", "price$1.html", "keep.html"})
        writePage(site() + "/" + name);
    for (const char *name : {"old.html", "price$1.html"})
        workspace.unrequestedPages().append(workspace.resolve(name));
    workspace.unrequestedPages().selectAll();

    const MoveResult result = trashUnrequested(workspace, &ui);

    EXPECT_EQ(result.leftOut, std::vector<std::string>{workspace.baseFolder()});
    EXPECT_EQ(result.moved, std::vector<std::string>{site().toStdString() + "/old.html"});
    EXPECT_EQ(ui.confirmations, std::vector<std::vector<std::string>>{{site().toStdString() + "/old.html"}});
    EXPECT_EQ(trashedFiles(), QStringList{"old.html"});
    EXPECT_EQ(siteEntries(), (QStringList{"keep.html", "price$1.html"}));
    EXPECT_EQ(workspace.unrequestedPages().size(), 2u); // the list keeps its rows
}

TEST_F(TrashCommands, UnrequestedPagesDeclinedStayAndEmptyListAsksNothing)
{
    writePage(site() + "/old.html");
    ui.confirmAnswer = false;
    trashUnrequested(workspace, &ui);
    EXPECT_TRUE(ui.confirmations.empty()); // no rows: nothing asked

    workspace.unrequestedPages().append(workspace.resolve("old.html"));
    workspace.unrequestedPages().selectAll();
    trashUnrequested(workspace, &ui);
    EXPECT_EQ(ui.confirmations.size(), 1u);
    EXPECT_EQ(siteEntries(), QStringList{"old.html"});
}

TEST_F(TrashCommands, FolderDeletionMovesOnlyASubfolder)
{
    ASSERT_TRUE(QDir().mkpath(site() + "/old"));
    writePage(site() + "/old/x.html");
    writePage(site() + "/a.html");
    const std::vector<std::string> rows = {"/", "site", "old"};

    // None highlighted, the root row (the site folder itself here), no folder
    // "site" inside the site, a row past the end.
    for (const int highlighted : {-1, 0, 1, 3})
        EXPECT_TRUE(trashFolder(workspace, rows, highlighted, &ui).moved.empty()) << highlighted;
    EXPECT_TRUE(ui.confirmations.empty());
    EXPECT_EQ(siteEntries(), (QStringList{"a.html", "old"}));

    EXPECT_EQ(trashFolder(workspace, rows, 2, &ui).moved,
              std::vector<std::string>{site().toStdString() + "/old"});
    EXPECT_EQ(ui.confirmations, std::vector<std::vector<std::string>>{{site().toStdString() + "/old"}});
    EXPECT_EQ(siteEntries(), QStringList{"a.html"});
    EXPECT_TRUE(QFileInfo::exists(trash() + "/files/old/x.html"));
}

} // namespace
} // namespace tavlori::platform
