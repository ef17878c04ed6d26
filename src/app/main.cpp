// Tavlori: one window on the process's working directory, until it is closed.
#include "ui/tform1.h"
#include "ui/treeimages.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavlori"));
    QApplication::setWindowIcon(tavlori::ui::programIcon());
    tavlori::ui::TForm1 Form1;
    Form1.show();
    return app.exec();
}
