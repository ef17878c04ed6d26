#pragma once
// Start-up of the window program: its command line, entering the folder it is
// given, and the main window shown on the current directory.
#include <QString>
#include <QStringList>

#include <memory>

namespace tavlori::ui {
class MainWindow;
}

namespace tavlori::app {

struct CommandLine {
    enum class Action {
        Run,     // open the window (on `folder` when it is not empty)
        Help,    // print `text` on standard output, exit 0
        Version, // print `text` on standard output, exit 0
        Error,   // print `text` on standard error, exit 2
    };
    Action action = Action::Run;
    bool folderGiven = false;
    QString folder;
    QString text; // for Help, Version and Error, ending with a newline
    // An Error caused by an option that is not ours: it may be one of the
    // toolkit's own (-platform, -style, ...).
    bool unknownOption = false;
};

// `arguments` as QCoreApplication::arguments() gives them, the program first.
// Needs no application object, so --help and --version work without a display.
CommandLine parseCommandLine(const QStringList &arguments);

// "tavlori 1.2.3" and a newline.
QString versionText();

// Makes `folder` the process's current directory, as if the program had been
// started inside it. Returns the empty text on success, otherwise the
// failure's message (the one the folder tree gives for a folder it cannot
// enter).
QString enterFolder(const QString &folder);

// Creates the main window on the process's current directory and shows it.
// A `startError` that is not empty is shown in the standard error dialog as
// soon as the event loop runs.
std::unique_ptr<ui::MainWindow> openMainWindow(const QString &startError);

} // namespace tavlori::app
