// Starts the main window on the working directory exactly as the program
// does, lets it settle, and saves what it shows to the PNG file named by the
// one argument.
#include "ui/mainwindow.h"
#include "ui/treeimages.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavlori-screenshot OUTPUT.png\n");
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Tavlori"));
    QApplication::setWindowIcon(tavlori::ui::programIcon());
    tavlori::ui::MainWindow mainWindow;
    mainWindow.show();
    const QString output = QString::fromLocal8Bit(argv[1]);
    int result = 1;
    QTimer::singleShot(1500, &app, [&] {
        result = mainWindow.grab().save(output, "PNG") ? 0 : 1;
        app.quit();
    });
    app.exec();
    return result;
}
