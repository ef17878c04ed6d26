// tavlori [FOLDER]: one window on FOLDER (or on the working directory), until
// it is closed.
#include "app/startup.h"
#include "tavlori_version.h"
#include "ui/mainwindow.h"
#include "ui/treeimages.h"

#include <QApplication>

#include <cstdio>

namespace {

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char *argv[])
{
    using tavlori::app::CommandLine;

    // --help and --version are answered before the window's application
    // exists: they need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    CommandLine line = tavlori::app::parseCommandLine(arguments);
    if (line.action == CommandLine::Action::Help || line.action == CommandLine::Action::Version) {
        print(stdout, line.text);
        return 0;
    }
    if (line.action == CommandLine::Action::Error && !line.unknownOption) {
        print(stderr, line.text);
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavlori"));
    QApplication::setApplicationVersion(QStringLiteral(TAVLORI_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(TAVLORI_APP_ID));
    QApplication::setWindowIcon(tavlori::ui::programIcon());
    // An option we do not know may be the toolkit's: the application has
    // taken its own options (-platform, -style, ...) out of the arguments,
    // and what remains is read again.
    if (line.action == CommandLine::Action::Error)
        line = tavlori::app::parseCommandLine(QApplication::arguments());
    if (line.action == CommandLine::Action::Error) {
        print(stderr, line.text);
        return 2;
    }

    const QString startError = line.folderGiven ? tavlori::app::enterFolder(line.folder) : QString();
    const auto window = tavlori::app::openMainWindow(startError);
    return app.exec();
}
