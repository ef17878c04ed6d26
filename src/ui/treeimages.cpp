#include "ui/treeimages.h"

#include <QPainter>
#include <QPixmap>
#include <QPoint>
#include <QVector>

namespace tavlori::ui {
namespace {

const QColor kBlack(0x00, 0x00, 0x00);
const QColor kDarkRed(0x80, 0x00, 0x00);
const QColor kGreen(0x00, 0xFF, 0x00);

// The 16 colours of the classic 4-bit palette.
QVector<QRgb> sixteenColours()
{
    return {qRgb(0x00, 0x00, 0x00), qRgb(0x80, 0x00, 0x00), qRgb(0x00, 0x80, 0x00), qRgb(0x80, 0x80, 0x00),
            qRgb(0x00, 0x00, 0x80), qRgb(0x80, 0x00, 0x80), qRgb(0x00, 0x80, 0x80), qRgb(0xC0, 0xC0, 0xC0),
            qRgb(0x80, 0x80, 0x80), qRgb(0xFF, 0x00, 0x00), qRgb(0x00, 0xFF, 0x00), qRgb(0xFF, 0xFF, 0x00),
            qRgb(0x00, 0x00, 0xFF), qRgb(0xFF, 0x00, 0xFF), qRgb(0x00, 0xFF, 0xFF), qRgb(0xFF, 0xFF, 0xFF)};
}

// Paints on white without smoothing, so only the colours drawn appear, then
// turns the picture into 16 colours with the bottom-left pixel's colour
// transparent.
template <typename Draw>
QImage paintTree(int size, Draw draw)
{
    QImage canvas(size, size, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing, false);
        draw(painter);
    }
    QImage indexed = canvas.convertToFormat(QImage::Format_Indexed8, sixteenColours(),
                                            Qt::ThresholdDither | Qt::AvoidDither);
    const int background = indexed.pixelIndex(0, size - 1);
    const QRgb colour = indexed.color(background);
    indexed.setColor(background, qRgba(qRed(colour), qGreen(colour), qBlue(colour), 0));
    return indexed;
}

void trunk(QPainter &p, int top, int bottom)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kDarkRed);
    p.drawRect(18, top, 4, bottom - top + 1);
    p.drawRect(16, bottom - 1, 8, 2); // the foot
}

void branch(QPainter &p, QPoint from, QPoint to)
{
    p.setPen(QPen(kDarkRed, 2, Qt::SolidLine, Qt::SquareCap));
    p.drawLine(from, to);
}

void leaves(QPainter &p, QRect area)
{
    p.setPen(QPen(kBlack, 1));
    p.setBrush(kGreen);
    p.drawEllipse(area);
}

// The bare tree on a 40 × 40 grid.
void drawBareTree(QPainter &p)
{
    const QPoint clumps[] = {{7, 13}, {20, 5}, {33, 13}, {5, 25}, {34, 25}, {20, 16}};
    trunk(p, 18, 38);
    branch(p, {19, 26}, {7, 13});
    branch(p, {20, 19}, {20, 5});
    branch(p, {20, 26}, {33, 13});
    branch(p, {19, 30}, {5, 25});
    branch(p, {20, 30}, {34, 25});
    for (const QPoint &c : clumps)
        leaves(p, QRect(c.x() - 4, c.y() - 3, 8, 6));
}

} // namespace

QImage bareTreeImage()
{
    return paintTree(40, drawBareTree);
}

QImage fullTreeImage()
{
    return paintTree(40, [](QPainter &p) {
        trunk(p, 27, 38);
        leaves(p, QRect(3, 2, 33, 26));
        // Branches showing through the crown, kept inside its outline.
        branch(p, {19, 27}, {19, 8});
        branch(p, {19, 21}, {10, 13});
        branch(p, {20, 18}, {29, 11});
        branch(p, {18, 25}, {9, 20});
        branch(p, {20, 24}, {30, 19});
    });
}

QImage iconImage(int size)
{
    return paintTree(size, [size](QPainter &p) {
        p.scale(size / 40.0, size / 40.0);
        drawBareTree(p);
    });
}

QIcon programIcon()
{
    return QIcon(QPixmap::fromImage(iconImage()));
}

} // namespace tavlori::ui
