// tavlori-icon DIR NAME SIZE...: writes the program's icon, drawn at each SIZE,
// to DIR/SIZExSIZE/apps/NAME.png (the layout of an icon theme).
#include "ui/treeimages.h"

#include <QDir>
#include <QImage>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Drawing into an image and saving it needs no application object, so no
    // display either.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    if (args.size() < 4) {
        std::fputs("使い方: tavlori-icon DIR NAME SIZE...\n", stderr);
        return 2;
    }
    const QString dir = args.at(1);
    const QString name = args.at(2);
    for (qsizetype i = 3; i < args.size(); ++i) {
        bool ok = false;
        const int size = args.at(i).toInt(&ok);
        if (!ok || size < 1) {
            std::fprintf(stderr, "not a size: %s\n", qPrintable(args.at(i)));
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(dir).arg(size);
        const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
        const QImage image = tavlori::ui::iconImage(size).convertToFormat(QImage::Format_ARGB32);
        if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
