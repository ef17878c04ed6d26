// The trash job against a real site and a real (temporary) trash.
#include "platform/trash.h"

#include "platform/trash_fixture.h"

#include <unistd.h>

#include <gtest/gtest.h>

namespace tavlori::platform {
namespace {

using test::RecordingTrashUi;
using test::TrashFixture;

constexpr TrashOptions kNoConfirmation{.confirm = false, .showProgress = true};
constexpr TrashOptions kConfirmed{.confirm = true, .showProgress = true};

class Trash : public TrashFixture {
protected:
    // The outcome of every item, in order.
    static std::vector<TrashOutcome> outcomes(const std::vector<TrashItemResult> &results)
    {
        std::vector<TrashOutcome> list;
        for (const TrashItemResult &result : results)
            list.push_back(result.outcome);
        return list;
    }
};

using Outcomes = std::vector<TrashOutcome>;

TEST_F(Trash, SelectedPagesGoToTheTrashWithTheirRecords)
{
    writePage(site() + "/a.html", "page a");
    writePage(site() + "/b.html");
    writePage(site() + "/c.html", "page c");
    RecordingTrashUi ui;

    const std::vector<TrashItemResult> results =
        moveToTrash({sitePath("a.html"), sitePath("c.html")}, &ui, kNoConfirmation);
    EXPECT_EQ(outcomes(results), (Outcomes{TrashOutcome::Moved, TrashOutcome::Moved}));
    EXPECT_EQ(movedPaths(results), (std::vector<std::string>{sitePath("a.html"), sitePath("c.html")}));

    EXPECT_EQ(siteEntries(), QStringList{"b.html"});
    EXPECT_EQ(trashedFiles(), (QStringList{"a.html", "c.html"}));
    EXPECT_EQ(contents(trash() + "/files/a.html"), "page a");
    EXPECT_EQ(contents(trash() + "/files/c.html"), "page c");
    EXPECT_EQ(trashInfos(), (QStringList{"a.html.trashinfo", "c.html.trashinfo"}));
    EXPECT_TRUE(contents(trash() + "/info/a.html.trashinfo").contains("Path=" + site().toUtf8() + "/a.html"));
    EXPECT_TRUE(ui.confirmations.empty());
    EXPECT_TRUE(ui.errors.empty());
    using Call = std::tuple<std::size_t, std::size_t, std::string>;
    EXPECT_EQ(ui.progressCalls, (std::vector<Call>{Call{0, 2, sitePath("a.html")},
                                                   Call{1, 2, sitePath("c.html")}, Call{2, 2, ""}}));
}

TEST_F(Trash, ASubfolderGoesWithEverythingInIt)
{
    ASSERT_TRUE(QDir().mkpath(site() + "/old/deeper"));
    writePage(site() + "/old/x.html", "old x");
    writePage(site() + "/old/deeper/y.html");
    writePage(site() + "/a.html");
    RecordingTrashUi ui;

    EXPECT_EQ(outcomes(moveToTrash({sitePath("old")}, &ui, kConfirmed)), Outcomes{TrashOutcome::Moved});

    EXPECT_EQ(ui.confirmations, std::vector<std::vector<std::string>>{{sitePath("old")}});
    EXPECT_EQ(siteEntries(), QStringList{"a.html"});
    EXPECT_EQ(contents(trash() + "/files/old/x.html"), "old x");
    EXPECT_TRUE(QFileInfo::exists(trash() + "/files/old/deeper/y.html"));
}

TEST_F(Trash, DecliningTheConfirmationMovesNothing)
{
    writePage(site() + "/a.html");
    writePage(site() + "/b.html");
    RecordingTrashUi ui;
    ui.confirmAnswer = false;

    const std::vector<TrashItemResult> results =
        moveToTrash({sitePath("a.html"), sitePath("b.html")}, &ui, kConfirmed);

    EXPECT_EQ(ui.confirmations,
              (std::vector<std::vector<std::string>>{{sitePath("a.html"), sitePath("b.html")}}));
    EXPECT_EQ(outcomes(results), (Outcomes{TrashOutcome::Cancelled, TrashOutcome::Cancelled}));
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(siteEntries(), (QStringList{"a.html", "b.html"}));
    EXPECT_TRUE(trashedFiles().isEmpty());
    EXPECT_TRUE(ui.progressCalls.empty());
}

TEST_F(Trash, WithoutOwnerNoConfirmationCanBeAskedSoNothingMoves)
{
    writePage(site() + "/a.html");
    EXPECT_EQ(outcomes(moveToTrash({sitePath("a.html")}, nullptr, kConfirmed)),
              Outcomes{TrashOutcome::Cancelled});
    EXPECT_EQ(siteEntries(), QStringList{"a.html"});
}

TEST_F(Trash, AMissingItemIsReportedAndTheOthersStillMove)
{
    writePage(site() + "/a.html");
    writePage(site() + "/c.html");
    RecordingTrashUi ui;

    const std::vector<TrashItemResult> results =
        moveToTrash({sitePath("a.html"), sitePath("missing.html"), sitePath("c.html")}, &ui, kNoConfirmation);

    EXPECT_EQ(outcomes(results),
              (Outcomes{TrashOutcome::Moved, TrashOutcome::NotFound, TrashOutcome::Moved}));
    EXPECT_TRUE(siteEntries().isEmpty());
    EXPECT_EQ(trashedFiles(), (QStringList{"a.html", "c.html"}));
    EXPECT_EQ(ui.errors,
              (std::vector<TrashItemResult>{{sitePath("missing.html"), TrashOutcome::NotFound, ""}}));
    EXPECT_EQ(movedPaths(results), (std::vector<std::string>{sitePath("a.html"), sitePath("c.html")}));
}

TEST_F(Trash, AFileInAReadOnlyFolderStays)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root: a read-only folder does not stop root from moving its files";
    ASSERT_TRUE(QDir().mkpath(site() + "/locked"));
    writePage(site() + "/locked/a.html");
    ASSERT_TRUE(QFile::setPermissions(site() + "/locked", QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    RecordingTrashUi ui;

    EXPECT_EQ(outcomes(moveToTrash({sitePath("locked/a.html")}, &ui, kNoConfirmation)),
              Outcomes{TrashOutcome::PermissionDenied});
    EXPECT_TRUE(QFileInfo::exists(site() + "/locked/a.html"));
    EXPECT_TRUE(trashedFiles().isEmpty());
    EXPECT_EQ(ui.errors, (std::vector<TrashItemResult>{
                             {sitePath("locked/a.html"), TrashOutcome::PermissionDenied, ""}}));
}

// Where no trash can be made, the item stays where it is: it is neither
// erased nor moved into some folder that is not a trash (the current folder).
TEST_F(Trash, NoTrashFolderMeansTheItemStays)
{
    writePage(site() + "/a.html", "keep me");
    writePage(trash(), "a file where the trash folder would be");
    RecordingTrashUi ui;

    EXPECT_EQ(outcomes(moveToTrash({sitePath("a.html")}, &ui, kNoConfirmation)),
              Outcomes{TrashOutcome::TrashUnavailable});

    EXPECT_EQ(siteEntries(), QStringList{"a.html"});
    EXPECT_EQ(contents(site() + "/a.html"), "keep me");
    EXPECT_EQ(ui.errors.size(), 1u);
}

TEST_F(Trash, AMissingTrashIsMadeOnFirstUse)
{
    ASSERT_FALSE(QFileInfo::exists(trash()));
    writePage(site() + "/a.html");
    EXPECT_EQ(outcomes(moveToTrash({sitePath("a.html")}, nullptr, kNoConfirmation)),
              Outcomes{TrashOutcome::Moved});
    EXPECT_EQ(trashedFiles(), QStringList{"a.html"});
    EXPECT_TRUE(siteEntries().isEmpty());
}

TEST_F(Trash, RelativePathsAreTakenFromTheCurrentFolder)
{
    writePage(site() + "/a.html");
    EXPECT_EQ(outcomes(moveToTrash({"a.html"}, nullptr, kNoConfirmation)), Outcomes{TrashOutcome::Moved});
    EXPECT_EQ(trashedFiles(), QStringList{"a.html"});
}

TEST_F(Trash, CancellingTheProgressLeavesTheRemainingItems)
{
    writePage(site() + "/a.html");
    writePage(site() + "/b.html");
    writePage(site() + "/c.html");
    RecordingTrashUi ui;
    ui.cancelBefore = 1;

    const std::vector<TrashItemResult> results =
        moveToTrash({sitePath("a.html"), sitePath("b.html"), sitePath("c.html")}, &ui, kConfirmed);

    EXPECT_EQ(outcomes(results),
              (Outcomes{TrashOutcome::Moved, TrashOutcome::Cancelled, TrashOutcome::Cancelled}));
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(trashedFiles(), QStringList{"a.html"});
    EXPECT_EQ(siteEntries(), (QStringList{"b.html", "c.html"}));
}

TEST_F(Trash, WithoutProgressNoProgressIsReported)
{
    writePage(site() + "/a.html");
    writePage(site() + "/b.html");
    RecordingTrashUi ui;
    EXPECT_EQ(outcomes(moveToTrash({sitePath("a.html"), sitePath("b.html")}, &ui,
                                   {.confirm = true, .showProgress = false})),
              (Outcomes{TrashOutcome::Moved, TrashOutcome::Moved}));
    EXPECT_EQ(ui.confirmations.size(), 1u);
    EXPECT_TRUE(ui.progressCalls.empty());
    EXPECT_EQ(trashedFiles(), (QStringList{"a.html", "b.html"}));
}

TEST_F(Trash, AnEmptyListAsksNothingAndMovesNothing)
{
    writePage(site() + "/a.html");
    RecordingTrashUi ui;
    EXPECT_TRUE(moveToTrash({}, &ui, kConfirmed).empty());
    EXPECT_TRUE(ui.confirmations.empty());
    EXPECT_TRUE(ui.progressCalls.empty());
    EXPECT_EQ(siteEntries(), QStringList{"a.html"});
}

TEST_F(Trash, TheSameNameTwiceKeepsBothInTheTrash)
{
    writePage(site() + "/a.html", "first");
    ASSERT_EQ(movedPaths(moveToTrash({sitePath("a.html")}, nullptr, kNoConfirmation)).size(), 1u);
    writePage(site() + "/a.html", "second");
    ASSERT_EQ(movedPaths(moveToTrash({sitePath("a.html")}, nullptr, kNoConfirmation)).size(), 1u);
    const QStringList files = trashedFiles();
    ASSERT_EQ(files.size(), 2);
    QList<QByteArray> texts;
    for (const QString &name : files)
        texts.append(contents(trash() + "/files/" + name));
    EXPECT_TRUE(texts.contains("first"));
    EXPECT_TRUE(texts.contains("second"));
}

TEST(ItemName, IsThePathsLastComponent)
{
    const std::vector<std::pair<std::string, std::string>> names = {
        {"/srv/web/old/", "old"},
        {"x.html", "x.html"},
        {"/", "/"},
        {"D:\\\\a.html", "a.html"},
    };
    for (const auto &[path, name] : names)
        EXPECT_EQ(itemName(path), name) << path;
}

} // namespace
} // namespace tavlori::platform
