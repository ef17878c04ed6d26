// The trash request against a real site and a real (temporary) trash.
#include "platform/shellfileop.h"

#include "analysis/deletion.h"
#include "platform/trash_fixture.h"

#include <unistd.h>

#include <gtest/gtest.h>

namespace tavlori::platform {
namespace {

using test::RecordingShellUi;
using test::TrashFixture;
using namespace std::string_literals;

class ShellFileOperation : public TrashFixture {
protected:
    int send(const std::vector<std::string> &paths, std::uint16_t flags, ShellUi *owner,
             SHFILEOPSTRUCTW *record = nullptr)
    {
        SHFILEOPSTRUCTW local;
        SHFILEOPSTRUCTW &op = record ? *record : local;
        op.hwnd = owner;
        op.wFunc = FO_DELETE;
        op.pFrom = makePathList(paths);
        op.fFlags = flags;
        return SHFileOperation(op);
    }
};

TEST_F(ShellFileOperation, SelectedPagesGoToTheTrashWithTheirRecords)
{
    writePage(site() + "/a.html", "page a");
    writePage(site() + "/b.html");
    writePage(site() + "/c.html", "page c");
    RecordingShellUi ui;

    EXPECT_EQ(send({sitePath("a.html"), sitePath("c.html")}, FOF_ALLOWUNDO | FOF_NOCONFIRMATION, &ui), 0);

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

TEST_F(ShellFileOperation, ASubfolderGoesWithEverythingInIt)
{
    ASSERT_TRUE(QDir().mkpath(site() + "/old/deeper"));
    writePage(site() + "/old/x.html", "old x");
    writePage(site() + "/old/deeper/y.html");
    writePage(site() + "/a.html");
    RecordingShellUi ui;

    EXPECT_EQ(send({sitePath("old")}, FOF_ALLOWUNDO, &ui), 0);

    EXPECT_EQ(ui.confirmations, std::vector<std::string>{"'old' をごみ箱に移動しますか?"});
    EXPECT_EQ(siteEntries(), QStringList{"a.html"});
    EXPECT_EQ(contents(trash() + "/files/old/x.html"), "old x");
    EXPECT_TRUE(QFileInfo::exists(trash() + "/files/old/deeper/y.html"));
}

TEST_F(ShellFileOperation, DecliningTheConfirmationMovesNothing)
{
    writePage(site() + "/a.html");
    writePage(site() + "/b.html");
    RecordingShellUi ui;
    ui.confirmAnswer = false;
    SHFILEOPSTRUCTW op;

    EXPECT_NE(send({sitePath("a.html"), sitePath("b.html")}, FOF_ALLOWUNDO, &ui, &op), 0);

    EXPECT_EQ(ui.confirmations, std::vector<std::string>{"これら 2 個の項目をごみ箱に移動しますか?"});
    EXPECT_TRUE(op.fAnyOperationsAborted);
    EXPECT_EQ(siteEntries(), (QStringList{"a.html", "b.html"}));
    EXPECT_TRUE(trashedFiles().isEmpty());
    EXPECT_TRUE(ui.progressCalls.empty());
}

TEST_F(ShellFileOperation, WithoutOwnerNoConfirmationCanBeAskedSoNothingMoves)
{
    writePage(site() + "/a.html");
    EXPECT_EQ(send({sitePath("a.html")}, FOF_ALLOWUNDO, nullptr), static_cast<int>(TrashError::Cancelled));
    EXPECT_EQ(siteEntries(), QStringList{"a.html"});
}

TEST_F(ShellFileOperation, RequestsThatWouldEraseAreRefused)
{
    writePage(site() + "/a.html");
    RecordingShellUi ui;
    struct Case {
        unsigned func;
        std::uint16_t flags;
        TrashError error;
    };
    const std::vector<Case> cases = {
        {FO_DELETE, FOF_NOCONFIRMATION, TrashError::UndoNotAllowed},
        {FO_DELETE, FOF_NOCONFIRMATION | FOF_SILENT, TrashError::UndoNotAllowed},
        {FO_DELETE, 0, TrashError::UndoNotAllowed},
        {1 /* a move */, FOF_ALLOWUNDO | FOF_NOCONFIRMATION, TrashError::BadRequest},
    };
    for (const Case &c : cases) {
        SHFILEOPSTRUCTW op;
        op.hwnd = &ui;
        op.wFunc = c.func;
        op.pFrom = makePathList({sitePath("a.html")});
        op.fFlags = c.flags;
        EXPECT_EQ(SHFileOperation(op), static_cast<int>(c.error)) << c.flags;
        ASSERT_EQ(op.failures.size(), 1u);
        EXPECT_EQ(op.failures[0].error, c.error);
    }
    EXPECT_EQ(siteEntries(), QStringList{"a.html"});
    EXPECT_TRUE(trashedFiles().isEmpty());
    EXPECT_TRUE(ui.confirmations.empty());
}

TEST_F(ShellFileOperation, AMissingItemIsReportedAndTheOthersStillMove)
{
    writePage(site() + "/a.html");
    writePage(site() + "/c.html");
    RecordingShellUi ui;
    SHFILEOPSTRUCTW op;

    const int result = send({sitePath("a.html"), sitePath("missing.html"), sitePath("c.html")},
                            FOF_ALLOWUNDO | FOF_NOCONFIRMATION, &ui, &op);

    EXPECT_EQ(result, static_cast<int>(TrashError::NotFound));
    EXPECT_TRUE(siteEntries().isEmpty());
    EXPECT_EQ(trashedFiles(), (QStringList{"a.html", "c.html"}));
    EXPECT_EQ(ui.errors, std::vector<std::string>{
                             "'missing.html' をごみ箱に移動できませんでした。 項目が見つかりません。"});
    EXPECT_EQ(op.moved, (std::vector<std::string>{sitePath("a.html"), sitePath("c.html")}));
}

TEST_F(ShellFileOperation, AFileInAReadOnlyFolderStays)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root: a read-only folder does not stop root from moving its files";
    ASSERT_TRUE(QDir().mkpath(site() + "/locked"));
    writePage(site() + "/locked/a.html");
    ASSERT_TRUE(QFile::setPermissions(site() + "/locked", QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    RecordingShellUi ui;

    EXPECT_EQ(send({sitePath("locked/a.html")}, FOF_ALLOWUNDO | FOF_NOCONFIRMATION, &ui),
              static_cast<int>(TrashError::PermissionDenied));
    EXPECT_TRUE(QFileInfo::exists(site() + "/locked/a.html"));
    EXPECT_TRUE(trashedFiles().isEmpty());
    EXPECT_EQ(ui.errors, std::vector<std::string>{
                             "'a.html' をごみ箱に移動できませんでした。 アクセスが拒否されました。"});
}

// Where no trash can be made, the item stays where it is: it is neither
// erased nor moved into some folder that is not a trash (the current folder).
TEST_F(ShellFileOperation, NoTrashFolderMeansTheItemStays)
{
    writePage(site() + "/a.html", "keep me");
    writePage(trash(), "a file where the trash folder would be");
    RecordingShellUi ui;

    EXPECT_EQ(send({sitePath("a.html")}, FOF_ALLOWUNDO | FOF_NOCONFIRMATION, &ui),
              static_cast<int>(TrashError::TrashUnavailable));

    EXPECT_EQ(siteEntries(), QStringList{"a.html"});
    EXPECT_EQ(contents(site() + "/a.html"), "keep me");
    EXPECT_EQ(ui.errors.size(), 1u);
}

TEST_F(ShellFileOperation, AMissingTrashIsMadeOnFirstUse)
{
    ASSERT_FALSE(QFileInfo::exists(trash()));
    writePage(site() + "/a.html");
    EXPECT_EQ(send({sitePath("a.html")}, FOF_ALLOWUNDO | FOF_NOCONFIRMATION, nullptr), 0);
    EXPECT_EQ(trashedFiles(), QStringList{"a.html"});
    EXPECT_TRUE(siteEntries().isEmpty());
}

TEST_F(ShellFileOperation, RelativePathsAreTakenFromTheCurrentFolder)
{
    writePage(site() + "/a.html");
    EXPECT_EQ(send({"a.html"}, FOF_ALLOWUNDO | FOF_NOCONFIRMATION, nullptr), 0);
    EXPECT_EQ(trashedFiles(), QStringList{"a.html"});
}

TEST_F(ShellFileOperation, CancellingTheProgressLeavesTheRemainingItems)
{
    writePage(site() + "/a.html");
    writePage(site() + "/b.html");
    writePage(site() + "/c.html");
    RecordingShellUi ui;
    ui.cancelBefore = 1;
    SHFILEOPSTRUCTW op;

    EXPECT_EQ(send({sitePath("a.html"), sitePath("b.html"), sitePath("c.html")}, FOF_ALLOWUNDO, &ui, &op),
              static_cast<int>(TrashError::Cancelled));
    EXPECT_TRUE(op.fAnyOperationsAborted);
    EXPECT_EQ(trashedFiles(), QStringList{"a.html"});
    EXPECT_EQ(siteEntries(), (QStringList{"b.html", "c.html"}));
}

TEST_F(ShellFileOperation, SilentRequestsShowNoProgress)
{
    writePage(site() + "/a.html");
    writePage(site() + "/b.html");
    RecordingShellUi ui;
    EXPECT_EQ(send({sitePath("a.html"), sitePath("b.html")}, FOF_ALLOWUNDO | FOF_SILENT, &ui), 0);
    EXPECT_EQ(ui.confirmations.size(), 1u);
    EXPECT_TRUE(ui.progressCalls.empty());
    EXPECT_EQ(trashedFiles(), (QStringList{"a.html", "b.html"}));
}

TEST_F(ShellFileOperation, AListWithoutAPathAsksNothingAndMovesNothing)
{
    writePage(site() + "/a.html");
    RecordingShellUi ui;
    SHFILEOPSTRUCTW op;
    op.hwnd = &ui;
    op.wFunc = FO_DELETE;
    op.pFrom = "\0"s;
    op.fFlags = FOF_ALLOWUNDO;
    EXPECT_EQ(SHFileOperation(op), 0);
    EXPECT_TRUE(ui.confirmations.empty());
    EXPECT_EQ(siteEntries(), QStringList{"a.html"});
}

TEST_F(ShellFileOperation, TheSameNameTwiceKeepsBothInTheTrash)
{
    writePage(site() + "/a.html", "first");
    ASSERT_EQ(send({sitePath("a.html")}, FOF_ALLOWUNDO | FOF_NOCONFIRMATION, nullptr), 0);
    writePage(site() + "/a.html", "second");
    ASSERT_EQ(send({sitePath("a.html")}, FOF_ALLOWUNDO | FOF_NOCONFIRMATION, nullptr), 0);
    const QStringList files = trashedFiles();
    ASSERT_EQ(files.size(), 2);
    QList<QByteArray> texts;
    for (const QString &name : files)
        texts.append(contents(trash() + "/files/" + name));
    EXPECT_TRUE(texts.contains("first"));
    EXPECT_TRUE(texts.contains("second"));
}

TEST(ShellDialogTexts, NameTheItemOrCountTheItems)
{
    EXPECT_EQ(confirmationText({"/srv/web/x.html"}), "'x.html' をごみ箱に移動しますか?");
    EXPECT_EQ(confirmationText({"D:\\web\\old"}), "'old' をごみ箱に移動しますか?");
    EXPECT_EQ(confirmationText({"/a", "/b", "/c"}), "これら 3 個の項目をごみ箱に移動しますか?");
    EXPECT_EQ(failureText("/srv/web/x.html", TrashError::NotFound),
              "'x.html' をごみ箱に移動できませんでした。 項目が見つかりません。");
    const std::vector<std::pair<std::string, std::string>> names = {
        {"/srv/web/old/", "old"}, {"x.html", "x.html"}, {"/", "/"}, {"D:\\\\a.html", "a.html"},
    };
    for (const auto &[path, name] : names)
        EXPECT_EQ(itemName(path), name) << path;
}

} // namespace
} // namespace tavlori::platform
