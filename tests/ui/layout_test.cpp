// The window as laid out: the keyboard order, labels as wide as their text,
// the anchored resize rule, and the pictures the window draws.
#include "uitestsupport.h"

#include "ui/anchors.h"
#include "ui/treeimages.h"

#include <QApplication>
#include <QLabel>

#include <set>

using namespace tavlori;
using namespace tavlori::test;

namespace {

// Connected regions of one colour (4-neighbourhood).
int regionsOf(const QImage &image, QRgb colour)
{
    const int w = image.width(), h = image.height();
    std::vector<char> seen(static_cast<std::size_t>(w * h), 0);
    int regions = 0;
    for (int y0 = 0; y0 < h; ++y0) {
        for (int x0 = 0; x0 < w; ++x0) {
            if (seen[y0 * w + x0] || (image.pixel(x0, y0) & 0xFFFFFF) != (colour & 0xFFFFFF))
                continue;
            ++regions;
            std::vector<QPoint> stack{{x0, y0}};
            seen[y0 * w + x0] = 1;
            while (!stack.empty()) {
                const QPoint p = stack.back();
                stack.pop_back();
                for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                    const QPoint q = p + d;
                    if (q.x() < 0 || q.y() < 0 || q.x() >= w || q.y() >= h || seen[q.y() * w + q.x()])
                        continue;
                    if ((image.pixel(q) & 0xFFFFFF) != (colour & 0xFFFFFF))
                        continue;
                    seen[q.y() * w + q.x()] = 1;
                    stack.push_back(q);
                }
            }
        }
    }
    return regions;
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        window_ = openWindow(site_.path());
        QVERIFY(window_);
    }
    void cleanup() { window_.reset(); }

    // A label is at least as wide as its text, so a face wider than the
    // designed one does not cut the text off.
    void labelsAreAsWideAsTheirText()
    {
        const QList<QLabel *> labels = window_->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
        QVERIFY(!labels.isEmpty());
        for (QLabel *label : labels) {
            if (label->text().isEmpty())
                continue;
            QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(label->text()),
                     qPrintable(label->objectName()));
        }
    }

    void tabOrder()
    {
        const QStringList order = {"unrequestedPages",    "brokenLinkPages", "requestList",
                                   "folderTree",          "pageList",        "volumeSelector",
                                   "missingTargets",      "searchTerm",      "searchColumn",
                                   "clearRequestsButton", "requestCount",    "unrequestedCount",
                                   "trashSelectedButton", "scrollUpButton",  "scrollDownButton",
                                   "unrequestedPages"};
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        window_->findChild<QWidget *>("unrequestedPages")->setFocus(Qt::TabFocusReason);
        QStringList visited{QApplication::focusWidget()->objectName()};
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.append(QApplication::focusWidget()->objectName());
        }
        QCOMPARE(visited, order);
    }

    // The window widened by 100 pixels or made 50 pixels taller: the designed
    // place of every control moved by (dx, dy) and grown by (dw, dh).
    void resize_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("expected");
        const QSize wider(1546, 873), taller(1446, 923), narrower(1000, 600);
        const auto row = [](const QSize &client, const char *name, QRect expected) {
            QTest::addRow("%dx%d %s", client.width(), client.height(), name)
                << client << QString::fromLatin1(name) << expected;
        };
        row(wider, "unrequestedPages", {832, 536, 706, 279});
        row(wider, "requestList", {832, 48, 706, 464});
        row(wider, "searchColumn", {735, 48, 82, 464}); // keeps its designed width beside requestList
        row(wider, "trashUnrequestedButton", {1344, 821, 187, 46});
        row(wider, "brokenLinksLabel", {25, 518, 261, 12});
        row(wider, "brokenLinkPages", {8, 536, 241, 329});
        row(wider, "missingTargets", {255, 536, 562, 329});
        row(wider, "pageList", {407, 48, 322, 464});
        row(wider, "requestCount", {1356, 26, 82, 20});
        row(wider, "folderTree", {8, 32, 393, 480});
        row(taller, "unrequestedPages", {832, 536, 606, 329});
        row(taller, "brokenLinkPages", {8, 536, 241, 379});
        row(taller, "missingTargets", {255, 536, 562, 379});
        row(taller, "trashUnrequestedButton", {1251, 871, 187, 46});
        row(taller, "requestList", {832, 48, 606, 464});
        row(taller, "pageList", {407, 48, 322, 464});
        row(taller, "searchColumn", {735, 48, 82, 464});
        row(taller, "brokenLinksLabel", {15, 518, 261, 12});
        row(taller, "unrequestedCount", {1356, 515, 82, 20});
        // Smaller than designed: centres scale, growing controls shrink.
        row(narrower, "trashUnrequestedButton", {836, 548, 187, 46});
        row(narrower, "brokenLinksLabel", {-30, 518, 261, 12});
        row(narrower, "unrequestedPages", {832, 536, 160, 6});
    }
    void resize()
    {
        QFETCH(QSize, client);
        QFETCH(QString, name);
        QFETCH(QRect, expected);
        auto *w = window_->findChild<QWidget *>(name);
        QVERIFY(w);
        if (auto *label = qobject_cast<QLabel *>(w)) // as wide as its text
            expected.setWidth(qMax(expected.width(), label->width()));
        window_->resize(client);
        QCOMPARE(w->geometry(), expected);
        window_->resize(DesignedSize());
        QCOMPARE(window_->size(), DesignedSize());
    }

    void anchorRule_data()
    {
        QTest::addColumn<QRect>("designed");
        QTest::addColumn<QString>("anchors");
        QTest::addColumn<QSize>("designedClient");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("near only stays")
            << QRect(5, 6, 7, 8) << "left,top" << QSize(100, 100) << QSize(50, 300) << QRect(5, 6, 7, 8);
        QTest::newRow("both grow") << QRect(5, 6, 7, 8) << "left,top,right,bottom" << QSize(100, 100)
                                   << QSize(130, 90) << QRect(5, 6, 37, -2);
        QTest::newRow("far only moves") << QRect(5, 6, 7, 8) << "right,bottom" << QSize(100, 100)
                                        << QSize(130, 90) << QRect(35, -4, 7, 8);
        // centre 1 of 4 → 0.5 of 2 rounds up to 1; left = 1 - 1
        QTest::newRow("centre half rounds up")
            << QRect(0, 0, 2, 2) << "" << QSize(4, 4) << QSize(2, 2) << QRect(0, 0, 2, 2);
        // centre 3 of 4 → 2.25 of 3 rounds to 2; odd width: half rounds down
        QTest::newRow("centre odd width")
            << QRect(2, 2, 3, 3) << "" << QSize(4, 4) << QSize(3, 3) << QRect(1, 1, 3, 3);
    }
    void anchorRule()
    {
        QFETCH(QRect, designed);
        QFETCH(QString, anchors);
        QFETCH(QSize, designedClient);
        QFETCH(QSize, client);
        QFETCH(QRect, expected);
        QCOMPARE(ui::anchoredGeometry(designed, ui::parseAnchors(anchors), designedClient, client), expected);
    }

    void pictures_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("clumps"); // separate green regions; -1: one crown
        QTest::newRow("A bare tree") << ui::bareTreeImage() << 40 << 6;
        QTest::newRow("B full tree") << ui::fullTreeImage() << 40 << -1;
        QTest::newRow("icon") << ui::iconImage() << 32 << 6;
    }
    void pictures()
    {
        QFETCH(QImage, image);
        QFETCH(int, size);
        QFETCH(int, clumps);
        QCOMPARE(image.size(), QSize(size, size));
        QCOMPARE(image.format(), QImage::Format_Indexed8);
        QVERIFY(image.colorCount() <= 16);
        // Only white (transparent), black, dark red and bright green are used,
        // and every one of them.
        const std::set<QRgb> allowed = {qRgba(255, 255, 255, 0), qRgba(0, 0, 0, 255), qRgba(0x80, 0, 0, 255),
                                        qRgba(0, 255, 0, 255)};
        std::set<QRgb> used;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                used.insert(image.pixel(x, y));
        QCOMPARE(used, allowed);
        QCOMPARE(qAlpha(image.pixel(0, size - 1)), 0);
        const int green = regionsOf(image, qRgb(0, 255, 0));
        if (clumps > 0) {
            QCOMPARE(green, clumps);
        } else {
            // One dense crown: far more leaves than the six clumps of A.
            const auto greenPixels = [](const QImage &picture) {
                int n = 0;
                for (int y = 0; y < picture.height(); ++y)
                    for (int x = 0; x < picture.width(); ++x)
                        n += picture.pixel(x, y) == qRgba(0, 255, 0, 255) ? 1 : 0;
                return n;
            };
            QVERIFY2(greenPixels(image) > 2 * greenPixels(ui::bareTreeImage()),
                     qPrintable(QString::number(greenPixels(image))));
        }
    }

private:
    static QSize DesignedSize() { return ui::MainWindow::kDesignedSize; }
    Site site_;
    std::unique_ptr<ui::MainWindow> window_;
};

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
