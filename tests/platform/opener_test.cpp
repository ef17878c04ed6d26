// Opening rows: what a row may be opened as, the editor's one argument, and
// the opening commands on the workspace.
#include "platform/opener.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tavlori::platform {
namespace {

struct DecisionCase {
    const char *row;
    OpenKind kind;
    const char *expected; // the local path, or the address as handed over
};

void checkDecisions(const QString &base, char sep, const std::vector<DecisionCase> &cases)
{
    for (const DecisionCase &c : cases) {
        const QString row = QString::fromUtf8(c.row);
        const OpenTarget target = decideOpen(row, base, sep);
        EXPECT_EQ(target.kind, c.kind) << c.row;
        if (c.kind == OpenKind::LocalPath && target.kind == c.kind) {
            EXPECT_EQ(target.path, QString::fromUtf8(c.expected)) << c.row;
            EXPECT_TRUE(target.url.isLocalFile()) << c.row;
            EXPECT_TRUE(target.url.fragment().isEmpty()) << c.row;
        }
        if (c.kind == OpenKind::WebAddress && target.kind == c.kind) {
            EXPECT_EQ(target.url.toString(), QString::fromUtf8(c.expected)) << c.row;
        }
    }
}

TEST(DecideOpen, PosixRowsOpenOnlyAsWebAddressesOrLocalPaths)
{
    using K = OpenKind;
    checkDecisions(
        "/srv/web", '/',
        {
            {"http://example.com/a.html", K::WebAddress, "http://example.com/a.html"},
            {"HTTPS://Example.com/x.html?q=1#top", K::WebAddress, "https://example.com/x.html?q=1#top"},
            {"http_guide.html", K::LocalPath, "/srv/web/http_guide.html"},
            {"list/item.html", K::LocalPath, "/srv/web/list/item.html"},
            {"../top.html", K::LocalPath, "/srv/web/../top.html"},
            {"/srv/web/old.html", K::LocalPath, "/srv/web/old.html"},
            {"#part2", K::LocalPath, "/srv/web/#part2"}, // a name, not a fragment
            {"$(touch pwned).html", K::LocalPath, "/srv/web/$(touch pwned).html"},
            {"a b;c\"d'.html", K::LocalPath, "/srv/web/a b;c\"d'.html"},
            {" javascript:alert(1)", K::LocalPath, "/srv/web/ javascript:alert(1)"},
            {"javascript:alert(1)", K::Refused, ""},
            {"JavaScript:alert(1)", K::Refused, ""},
            {"mailto:me@example.com", K::Refused, ""},
            {"file:///etc/passwd", K::Refused, ""},
            {"FILE://localhost/etc/passwd", K::Refused, ""},
            {"smb://server/share/a.html", K::Refused, ""},
            {"data:text/html,<script>x</script>", K::Refused, ""},
            {"ftp://example.com/a.html", K::Refused, ""},
            {"vbscript:x.html", K::Refused, ""},
            {"http:/a.html", K::Refused, ""}, // no host
            {"http://", K::Refused, ""},
            {"http://exa mple.com/a.html", K::Refused, ""},
            {"a.html\nb.html", K::Refused, ""},
            {"a.html\r", K::Refused, ""},
            {"", K::Refused, ""},
        });
    checkDecisions("/", '/', {{"a.html", OpenKind::LocalPath, "/a.html"}});
    checkDecisions("", '/', {{"a.html", OpenKind::Refused, ""}});
}

TEST(DecideOpen, WindowsRowsRefuseNetworkAndDriveRelativePaths)
{
    using K = OpenKind;
    checkDecisions("D:\\web\\shop", '\\',
                   {
                       {"D:\\web\\shop\\old.html", K::LocalPath, "D:\\web\\shop\\old.html"},
                       {"D:/web/top.html", K::LocalPath, "D:/web/top.html"},
                       {"list\\item.html", K::LocalPath, "D:\\web\\shop\\list\\item.html"},
                       {"#part2", K::LocalPath, "D:\\web\\shop\\#part2"},
                       {"\\top.html", K::LocalPath, "\\top.html"},
                       {"http://example.com/", K::WebAddress, "http://example.com/"},
                       {"\\\\server\\share\\a.html", K::Refused, ""},
                       {"//server/share/a.html", K::Refused, ""},
                       {"D:a.html", K::Refused, ""},
                       {"file:///C:/Windows/notepad.exe", K::Refused, ""},
                   });
    checkDecisions("D:\\", '\\', {{"a.html", OpenKind::LocalPath, "D:\\a.html"}});
}

// Opening commands against a workspace; the editor is a small script that
// writes down the arguments it received, the desktop a recorder.
class OpeningCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        root = QDir(temp.path()).canonicalPath();
        savedCurrent = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(root));
        received = root + "/received";
        const QString script = root + "/editor";
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n"
                   "out=\"$(dirname \"$0\")/received\"\n"
                   "{ echo \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$out.part\"\n"
                   "mv \"$out.part\" \"$out\"\n");
        file.close();
        ASSERT_TRUE(
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        setEditorPathForTests(script);
        setUrlOpenerForTests([this](const QUrl &url) {
            opened.push_back(url);
            return true;
        });
        workspace.start((root + "/my site").toStdString());
    }

    void TearDown() override
    {
        setEditorPathForTests(QString());
        setUrlOpenerForTests(nullptr);
        QDir::setCurrent(savedCurrent);
    }

    // The arguments the editor received, once it has written them down.
    std::optional<QStringList> editorArguments()
    {
        QDeadlineTimer deadline(20000);
        while (!QFileInfo::exists(received) && !deadline.hasExpired())
            QThread::msleep(10);
        QFile file(received);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        file.close();
        QFile::remove(received);
        return lines;
    }

    QTemporaryDir temp;
    QString root;
    QString savedCurrent;
    QString received;
    EngineEvents reported;
    Workspace workspace{reported, standardFileAccess(), '/'};
    std::vector<QUrl> opened;
};

TEST_F(OpeningCommands, TheEditorGetsThePagePathAsItsOneArgument)
{
    const std::vector<std::string> names = {
        "index.html",
        "it's \"quoted\" $(touch pwned) `touch pwned2`; x.html",
        "a b & c | d > e.html",
        "-rf.html",
    };
    for (const std::string &name : names) {
        workspace.pageList().assign({name});
        workspace.requestList().assign({"x", "y"});
        editPage(workspace);
        const std::optional<QStringList> arguments = editorArguments();
        ASSERT_TRUE(arguments) << name;
        EXPECT_EQ(*arguments, (QStringList{"1", QString::fromStdString(workspace.baseFolder() + "/" + name)}))
            << name;
        EXPECT_TRUE(workspace.requestList().empty()) << name;
    }
    EXPECT_FALSE(QFileInfo::exists(root + "/pwned"));
    EXPECT_FALSE(QFileInfo::exists(root + "/pwned2"));
}

TEST_F(OpeningCommands, BrokenLinkPagesOpenInTheEditorAndKeepTheRequestList)
{
    workspace.requestList().assign({"x"});
    editBrokenLinkPage(workspace, {"b.html", "gone.html"});
    const std::optional<QStringList> arguments = editorArguments();
    ASSERT_TRUE(arguments);
    EXPECT_EQ(*arguments, (QStringList{"1", QString::fromStdString(workspace.baseFolder() + "/b.html")}));
    EXPECT_EQ(workspace.requestList().size(), 1u);
}

// An editor that cannot be started is told, naming the program, the page and
// the cause; the page list's double-click still empties the request list.
TEST_F(OpeningCommands, AnEditorThatCannotStartIsToldAndTheRequestListStillEmptied)
{
    ASSERT_TRUE(QDir().mkpath(root + "/a folder"));
    QFile plain(root + "/not executable");
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    struct Case {
        QString program;
        FailureCause cause;
    };
    const std::vector<Case> cases = {
        {root + "/no such editor", FailureCause::EditorMissing},
        {root + "/a folder", FailureCause::EditorNotExecutable},
        {root + "/not executable", FailureCause::EditorNotExecutable},
    };
    const std::string page = workspace.baseFolder() + "/index.html";
    for (const Case &c : cases) {
        setEditorPathForTests(c.program);
        // Each command, and whether it empties the request list.
        const std::pair<std::function<void(Workspace &)>, bool> handlers[] = {
            {editPage, true},
            {[](Workspace &ws) {
                 editBrokenLinkPage(ws, {"index.html", "gone.html"});
             },
             false}};
        for (const auto &[handler, empties] : handlers) {
            workspace.pageList().assign({"index.html"});
            workspace.requestList().assign({"x"});
            try {
                handler(workspace);
                ADD_FAILURE() << c.program.toStdString() << " did not fail";
            } catch (const CommandError &error) {
                EXPECT_EQ(error.failure().cause, c.cause) << c.program.toStdString();
                EXPECT_EQ(error.failure().program, c.program.toStdString());
                EXPECT_EQ(error.failure().path, page);
            }
            EXPECT_EQ(workspace.requestList().empty(), empties);
        }
    }
}

// TAVLORI_EDITOR names the editor when it is set and not empty; its value is
// a path, never a command line.
TEST_F(OpeningCommands, TheEditorIsTakenFromTheEnvironment)
{
    const QString script = editorPath();
    setEditorPathForTests(QString());
    const QByteArray saved = qgetenv("TAVLORI_EDITOR");
    const bool wasSet = qEnvironmentVariableIsSet("TAVLORI_EDITOR");
    qputenv("TAVLORI_EDITOR", "");
    const QString builtIn = editorPath();
    EXPECT_FALSE(builtIn.isEmpty());
    qputenv("TAVLORI_EDITOR", script.toUtf8());
    EXPECT_EQ(editorPath(), script);
    workspace.pageList().assign({"index.html"});
    editPage(workspace);
    const std::optional<QStringList> arguments = editorArguments();
    ASSERT_TRUE(arguments);
    EXPECT_EQ(*arguments, (QStringList{"1", QString::fromStdString(workspace.baseFolder() + "/index.html")}));

    // A command line is one program name that does not exist.
    qputenv("TAVLORI_EDITOR", (script + " --new-window").toUtf8());
    EXPECT_THROW(editPage(workspace), CommandError);
    if (wasSet)
        qputenv("TAVLORI_EDITOR", saved);
    else
        qunsetenv("TAVLORI_EDITOR");
    EXPECT_EQ(editorPath(), wasSet && !saved.isEmpty() ? QString::fromLocal8Bit(saved) : builtIn);
}

// When the default program cannot open a row, the failure names the row and
// the cause.
TEST_F(OpeningCommands, ADefaultProgramThatFailsIsTold)
{
    setUrlOpenerForTests([](const QUrl &) { return false; });
    const std::string base = workspace.baseFolder();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(base)));
    QFile existing(QString::fromStdString(base + "/old.html"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    workspace.unrequestedPages().assign({base + "/old.html", base + "/gone.html"});
    workspace.requestList().assign({"http://example.com/a.html", "javascript:alert(1)"});
    // The cause and the row as handed over, or nothing when nothing failed.
    using Told = std::optional<std::pair<FailureCause, std::string>>;
    const auto failure = [](void (*handler)(Workspace &), Workspace &ws) -> Told {
        try {
            handler(ws);
        } catch (const CommandError &error) {
            return std::pair{error.failure().cause, error.failure().path};
        }
        return std::nullopt;
    };
    workspace.unrequestedPages().setCurrentIndex(0);
    EXPECT_EQ(failure(openUnrequestedPage, workspace),
              (Told{{FailureCause::NoProgramForFile, base + "/old.html"}}));
    workspace.unrequestedPages().setCurrentIndex(1);
    EXPECT_EQ(failure(openUnrequestedPage, workspace),
              (Told{{FailureCause::FileMissing, base + "/gone.html"}}));
    workspace.requestList().setCurrentIndex(0);
    EXPECT_EQ(failure(openRequest, workspace),
              (Told{{FailureCause::BrowserNotStarted, "http://example.com/a.html"}}));
    // A refused row is never handed over, so nothing failed.
    workspace.requestList().setCurrentIndex(1);
    EXPECT_EQ(failure(openRequest, workspace), Told{});
}

TEST_F(OpeningCommands, AnEmptyListFailsWithTheIndexErrorAndOpensNothing)
{
    workspace.requestList().assign({"x"});
    struct Case {
        const char *name;
        std::function<void(Workspace &)> handler;
    };
    // The broken links' commands get their row from the window, through checkedRow.
    const std::vector<Case> cases = {
        {"editPage", editPage},
        {"openUnrequestedPage", openUnrequestedPage},
        {"checkedRow", [](Workspace &ws) { checkedRow(-1, ws.brokenLinks().size()); }},
    };
    for (const Case &c : cases) {
        try {
            c.handler(workspace);
            ADD_FAILURE() << c.name << " did not fail";
        } catch (const CommandError &error) {
            EXPECT_EQ(error.failure().cause, FailureCause::NoSuchRow) << c.name;
            EXPECT_EQ(error.failure().row, -1) << c.name;
        }
    }
    EXPECT_EQ(workspace.requestList().size(), 1u);

    workspace.requestList().clear();
    EXPECT_THROW(openRequest(workspace), CommandError);
    EXPECT_TRUE(opened.empty());
}

TEST_F(OpeningCommands, RowsGoToTheDefaultProgramOnlyWhenAllowed)
{
    const std::string base = workspace.baseFolder();
    workspace.unrequestedPages().assign({base + "/old.html"});
    workspace.requestList().assign({"http://example.com/a.html", "javascript:alert(1)", base + "/list"});

    openUnrequestedPage(workspace);
    workspace.requestList().setCurrentIndex(0);
    openRequest(workspace);
    workspace.requestList().setCurrentIndex(1);
    openRequest(workspace);
    workspace.requestList().setCurrentIndex(2);
    openRequest(workspace);
    for (const char *link : {"missing.html", "mailto:me@example.com", "#top"})
        openMissingTarget(workspace, {"index.html", link});

    const QString qbase = QString::fromStdString(base);
    EXPECT_EQ(opened, (std::vector<QUrl>{
                          QUrl::fromLocalFile(qbase + "/old.html"),
                          QUrl("http://example.com/a.html"),
                          QUrl::fromLocalFile(qbase + "/list"),
                          QUrl::fromLocalFile(qbase + "/missing.html"),
                          QUrl::fromLocalFile(qbase + "/#top"),
                      }));
}

} // namespace
} // namespace tavlori::platform
