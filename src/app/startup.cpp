#include "app/startup.h"

#include "analysis/workspace.h"
#include "tavlori_version.h"
#include "ui/dialogs.h"
#include "ui/mainwindow.h"
#include "ui/texts.h"
#include "ui/workingdirectory.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QTimer>

#include <optional>

namespace tavlori::app {
namespace {

CommandLine usageError(const QString &reason)
{
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.text = ui::texts::usageError(reason);
    return line;
}

} // namespace

QString versionText()
{
    return ui::texts::versionLine(QStringLiteral(TAVLORI_VERSION));
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QString(), QStringLiteral("[FOLDER]"));
    // Parsing goes on past an unknown option, so --help and --version are
    // answered even beside options that only the toolkit knows.
    const bool parsed = parser.parse(arguments);

    CommandLine line;
    if (parser.isSet(help)) {
        line.action = CommandLine::Action::Help;
        line.text = ui::texts::commandLineHelp();
        return line;
    }
    if (parser.isSet(version)) {
        line.action = CommandLine::Action::Version;
        line.text = versionText();
        return line;
    }
    if (!parsed) {
        // The argument as the user wrote it: the first option before "--"
        // that is none of ours.
        for (qsizetype i = 1; i < arguments.size(); ++i) {
            const QString &arg = arguments.at(i);
            if (arg == QLatin1String("--"))
                break;
            if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1 && arg != QLatin1String("-h")
                && arg != QLatin1String("--help") && arg != QLatin1String("-v")
                && arg != QLatin1String("--version")) {
                CommandLine error = usageError(ui::texts::unknownOption(arg));
                error.unknownOption = true;
                return error;
            }
        }
        return usageError(parser.errorText());
    }
    const QStringList folders = parser.positionalArguments();
    if (folders.size() > 1)
        return usageError(ui::texts::secondFolder());
    if (!folders.isEmpty()) {
        line.folderGiven = true;
        line.folder = folders.first();
    }
    return line;
}

QString enterFolder(const QString &folder)
{
    if (const std::optional<Failure> failure = ui::enterWorkingDirectory(folder))
        return ui::texts::failure(*failure);
    return {};
}

std::unique_ptr<ui::MainWindow> openMainWindow(const QString &startError)
{
    auto window = std::make_unique<ui::MainWindow>();
    if (!startError.isEmpty()) {
        ui::MainWindow *shown = window.get();
        QTimer::singleShot(0, shown, [shown, startError] { ui::standardError(shown, startError); });
    }
    window->show();
    return window;
}

} // namespace tavlori::app
