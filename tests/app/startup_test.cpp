// Start-up of the programs: the window's command line, the folder it starts
// in (or the error dialog for one it cannot enter), and the built programs run
// with --version, a folder and arguments they refuse.
#include "app/startup.h"
#include "uitestsupport.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <filesystem>

using tavlori::app::CommandLine;
using tavlori::test::DialogRecorder;
using tavlori::test::rows;
using tavlori::test::Site;
using tavlori::test::str;

Q_DECLARE_METATYPE(CommandLine::Action)

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run runProgram(const QString &program, const QStringList &args, const QProcessEnvironment &env,
               const QString &workingDirectory = {})
{
    QProcess process;
    process.setProcessEnvironment(env);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(program, args);
    Run run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// An environment in which no display can be reached: a program that needs
// one fails to start.
QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

QProcessEnvironment offscreen()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void init() { saved_ = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(saved_); }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<CommandLine::Action>("action");
        QTest::addColumn<bool>("folderGiven");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("unknownOption");
        using A = CommandLine::Action;
        QTest::newRow("nothing") << QStringList{} << A::Run << false << QString() << false;
        QTest::newRow("folder") << QStringList{"/srv/www"} << A::Run << true << "/srv/www" << false;
        QTest::newRow("empty folder") << QStringList{""} << A::Run << true << "" << false;
        QTest::newRow("folder after --") << QStringList{"--", "-site"} << A::Run << true << "-site" << false;
        QTest::newRow("--help") << QStringList{"--help"} << A::Help << false << QString() << false;
        QTest::newRow("-h with folder")
            << QStringList{"site", "-h"} << A::Help << false << QString() << false;
        QTest::newRow("--version") << QStringList{"--version"} << A::Version << false << QString() << false;
        QTest::newRow("-v") << QStringList{"-v"} << A::Version << false << QString() << false;
        QTest::newRow("--version beside toolkit options")
            << QStringList{"-platform", "offscreen", "--version"} << A::Version << false << QString()
            << false;
        QTest::newRow("two folders") << QStringList{"a", "b"} << A::Error << false << QString() << false;
        QTest::newRow("unknown option")
            << QStringList{"--colour", "a"} << A::Error << false << QString() << true;
        QTest::newRow("toolkit option")
            << QStringList{"-style", "fusion"} << A::Error << false << QString() << true;
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(CommandLine::Action, action);
        QFETCH(bool, folderGiven);
        QFETCH(QString, folder);
        QFETCH(bool, unknownOption);
        args.prepend(QStringLiteral("/usr/bin/tavlori"));
        const CommandLine line = tavlori::app::parseCommandLine(args);
        QCOMPARE(line.action, action);
        QCOMPARE(line.folderGiven, folderGiven);
        QCOMPARE(line.folder, folder);
        QCOMPARE(line.unknownOption, unknownOption);
        if (action == CommandLine::Action::Version)
            QCOMPARE(line.text, QStringLiteral("tavlori " TAVLORI_PROJECT_VERSION "\n"));
        if (action == CommandLine::Action::Error) {
            QVERIFY(line.text.endsWith(QLatin1Char('\n')));
            QCOMPARE(line.text.count(QLatin1Char('\n')), 1);
        }
        if (unknownOption)
            QVERIFY2(line.text.contains(args.at(1)), qPrintable(line.text));
    }

    // The window opens on the folder as if started inside it: base folder,
    // folder tree, page list and current directory.
    void windowStartsInFolder_data()
    {
        QTest::addColumn<bool>("relative");
        QTest::newRow("absolute") << false;
        QTest::newRow("relative") << true;
    }
    void windowStartsInFolder()
    {
        QFETCH(bool, relative);
        DialogRecorder dialogs;
        Site site;
        site.write(QStringLiteral("outer.html"), "<a href=\"inner/a.html\">");
        site.write(QStringLiteral("inner/a.html"), "a");
        site.write(QStringLiteral("inner/b.htm"), "b");
        site.write(QStringLiteral("inner/notes.txt"), "-");
        QVERIFY(QDir::setCurrent(site.path()));

        const QString inner = site.path(QStringLiteral("inner"));
        QCOMPARE(tavlori::app::enterFolder(relative ? QStringLiteral("inner") : inner), QString());
        const auto window = tavlori::app::openMainWindow(QString());
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTest::qWait(50);

        QCOMPARE(QDir::currentPath(), inner);
        QCOMPARE(str(window->workspace().baseFolder()), inner);
        QCOMPARE(window->controls().folderTree->directory(), inner);
        QCOMPARE(rows(window->workspace().pageList()), (QStringList{"a.html", "b.htm"}));
        QVERIFY(window->workspace().pageList().isSelected(0));
        QVERIFY(window->workspace().pageList().isSelected(1));
        QCOMPARE(dialogs.requests.size(), std::size_t{0});
    }

    // A folder that cannot be entered: the standard error dialog once the
    // window is up, and the window on the directory the program started in.
    void unenterableFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "no-such-folder"
                                 << "指定されたファイルが見つかりません.";
        QTest::newRow("a file") << "page.html"
                                << "指定されたパスが見つかりません.";
        QTest::newRow("below a file") << "page.html/inner"
                                      << "指定されたパスが見つかりません.";
        QTest::newRow("empty") << ""
                               << "指定されたファイルが見つかりません.";
    }
    void unenterableFolder()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        DialogRecorder dialogs;
        Site site;
        site.write(QStringLiteral("page.html"), "x");
        QVERIFY(QDir::setCurrent(site.path()));

        const QString error = tavlori::app::enterFolder(name.isEmpty() ? name : site.path(name));
        QVERIFY(!error.isEmpty());
        QCOMPARE(QDir::currentPath(), site.path());
        const auto window = tavlori::app::openMainWindow(error);
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTRY_COMPARE(dialogs.requests.size(), std::size_t{1});
        QCOMPARE(dialogs.requests.front().kind, tavlori::ui::DialogKind::StandardError);
        QCOMPARE(dialogs.requests.front().text, message);
        QCOMPARE(str(window->workspace().baseFolder()), site.path());
        QCOMPARE(rows(window->workspace().pageList()), QStringList{"page.html"});
    }

    // Both programs give the one version set when building, without a display.
    void versionWithoutDisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expected");
        const QString window = QStringLiteral(TAVLORI_WINDOW_PROGRAM);
        const QString report = QStringLiteral(TAVLORI_REPORT_PROGRAM);
        QTest::newRow("tavlori --version") << window << "--version"
                                           << "tavlori " TAVLORI_PROJECT_VERSION "\n";
        QTest::newRow("tavlori -v") << window << "-v"
                                    << "tavlori " TAVLORI_PROJECT_VERSION "\n";
        QTest::newRow("tavlori-report --version") << report << "--version"
                                                  << "tavlori-report " TAVLORI_PROJECT_VERSION "\n";
    }
    void versionWithoutDisplay()
    {
        QFETCH(QString, program);
        QFETCH(QString, option);
        QFETCH(QString, expected);
        const Run run = runProgram(program, {option}, withoutDisplay());
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, expected);
        QCOMPARE(run.err, QString());
    }

    void helpWithoutDisplay()
    {
        const Run run = runProgram(QStringLiteral(TAVLORI_WINDOW_PROGRAM), {"--help"}, withoutDisplay());
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.startsWith(QStringLiteral("使い方: tavlori [FOLDER]\n")), qPrintable(run.out));
        QVERIFY(run.out.contains(QStringLiteral("--version")));
    }

    // Arguments a program refuses: exit status 2 and a message of one line,
    // the last on stderr.
    void refusedArguments_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("reason");
        const QString window = QStringLiteral(TAVLORI_WINDOW_PROGRAM);
        const QString report = QStringLiteral(TAVLORI_REPORT_PROGRAM);
        QTest::newRow("tavlori, two folders")
            << window << QStringList{"a", "b"} << "フォルダは一つだけ指定できます";
        QTest::newRow("tavlori, unknown option") << window << QStringList{"--colour"} << "--colour";
        QTest::newRow("tavlori-report, folder that cannot be entered")
            << report << QStringList{"/nonexistent/tavlori-site"}
            << "/nonexistent/tavlori-site: 指定されたファイルが見つかりません.";
        QTest::newRow("tavlori-report, a file as the folder")
            << report << QStringList{"--json", QStringLiteral(TAVLORI_REPORT_PROGRAM)}
            << QStringLiteral(TAVLORI_REPORT_PROGRAM ": 指定されたパスが見つかりません.");
    }
    void refusedArguments()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(QString, reason);
        const Run run = runProgram(program, args, offscreen());
        QCOMPARE(run.status, 2);
        QCOMPARE(run.out, QString());
        // The toolkit may log lines of its own before the program's message.
        QVERIFY2(run.err.endsWith(QLatin1Char('\n')), qPrintable(run.err));
        const QString last = run.err.chopped(1).section(QLatin1Char('\n'), -1);
        QVERIFY2(last.contains(reason), qPrintable(run.err));
        if (program == QLatin1String(TAVLORI_REPORT_PROGRAM))
            QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    }

    // The built program, given a folder, runs inside it.
    void programRunsInFolder()
    {
        Site launch;
        Site site;
        site.write(QStringLiteral("index.html"), "x");
        QProcess process;
        process.setProcessEnvironment(offscreen());
        process.setWorkingDirectory(launch.path());
        process.start(QStringLiteral(TAVLORI_WINDOW_PROGRAM), {site.path()});
        QVERIFY(process.waitForStarted());
        const QString cwd = QStringLiteral("/proc/%1/cwd").arg(process.processId());
        QTRY_COMPARE_WITH_TIMEOUT(QFile::symLinkTarget(cwd), site.path(), 20000);
        QCOMPARE(process.state(), QProcess::Running);
        process.kill();
        process.waitForFinished();
    }

private:
    QString saved_;
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
