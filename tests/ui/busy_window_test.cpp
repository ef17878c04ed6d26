// Input from the user that arrives while a long pass runs: the window keeps
// repainting during the pass, but the clicks and keys wait in the window
// system's queue until the pass has ended, and then run as usual.
#include "uitestsupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <qpa/qwindowsysteminterface.h>

using namespace tavlori;
using namespace tavlori::test;

namespace {

using Async = QWindowSystemInterface::AsynchronousDelivery;

// Queues a press and release of the left button at `pos` of `widget`, as the
// platform queues them; `twice` makes it a double-click.
void queueClick(QWidget *widget, QPoint pos, bool twice)
{
    QWindow *window = widget->window()->windowHandle();
    const QPointF local = widget->mapTo(widget->window(), pos);
    const QPointF global = widget->mapToGlobal(pos);
    for (int i = 0; i < (twice ? 2 : 1); ++i) {
        QWindowSystemInterface::handleMouseEvent<Async>(window, local, global, Qt::LeftButton, Qt::LeftButton,
                                                        QEvent::MouseButtonPress);
        QWindowSystemInterface::handleMouseEvent<Async>(window, local, global, Qt::NoButton, Qt::LeftButton,
                                                        QEvent::MouseButtonRelease);
    }
}

void queueKeys(QWidget *widget, const QString &text)
{
    QWindow *window = widget->window()->windowHandle();
    for (const QChar c : text) {
        const int key = c.toUpper().unicode();
        QWindowSystemInterface::handleKeyEvent<Async>(window, QEvent::KeyPress, key, Qt::NoModifier, c);
        QWindowSystemInterface::handleKeyEvent<Async>(window, QEvent::KeyRelease, key, Qt::NoModifier, c);
    }
}

enum class Input { InvestigateClick, FolderDoubleClick, Typing };

} // namespace

Q_DECLARE_METATYPE(Input)

class BusyWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        site_ = std::make_unique<Site>();
        // Enough pages that the pass takes a while and repaints many times.
        for (int i = 0; i < 300; ++i) {
            const QString name = QStringLiteral("p%1.html").arg(i, 3, 10, QLatin1Char('0'));
            const QString next = QStringLiteral("p%1.html").arg(i + 1, 3, 10, QLatin1Char('0'));
            site_->write(name, "&&& <a href=\"" + next.toLatin1() + "\">next</a>");
        }
        site_->write("sub/a.html", "&&&");
        window_ = openWindow(site_->path());
        QVERIFY(window_);
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }
    void cleanup()
    {
        recorder_.install();
        window_.reset();
        QDir::setCurrent(QDir::rootPath());
        site_.reset();
    }

    // A click on "リンク調査", a double-click on a folder, or typing in the
    // search field while the investigation runs changes nothing until the
    // investigation has ended, and then does what it does at any other time.
    void inputDuringTheInvestigationWaitsForItsEnd_data()
    {
        QTest::addColumn<Input>("input");
        QTest::newRow("click on リンク調査") << Input::InvestigateClick;
        QTest::newRow("double-click on a folder") << Input::FolderDoubleClick;
        QTest::newRow("typing in the search field") << Input::Typing;
    }
    void inputDuringTheInvestigationWaitsForItsEnd()
    {
        QFETCH(Input, input);
        Workspace &ws = window_->workspace();
        const Ui::MainWindow &c = window_->controls();
        const std::string site = ws.baseFolder();
        const std::string term = ws.searchTerm();
        QSignalSpy investigateClicks(c.investigateButton, &QToolButton::clicked);
        c.searchTerm->setFocus();

        // The state at every beep: the investigation ends with one.
        struct AtBeep {
            std::string baseFolder;
            std::string searchTerm;
            qsizetype clicks;
            std::size_t unrequested;
        };
        std::vector<AtBeep> beeps;
        ui::setBeepHook([&] {
            beeps.push_back(
                {ws.baseFolder(), ws.searchTerm(), investigateClicks.size(), ws.unrequestedPages().size()});
        });

        // The input is queued from inside the pass, at its first repaint.
        bool running = false;
        bool queuedWhileRunning = false;
        QTimer::singleShot(0, this, [&] {
            queuedWhileRunning = running;
            switch (input) {
            case Input::InvestigateClick:
                queueClick(c.investigateButton, c.investigateButton->rect().center(), false);
                break;
            case Input::FolderDoubleClick: {
                ui::FolderTree *folders = c.folderTree;
                const int row = folderRow(folders, QStringLiteral("sub"));
                QVERIFY(row >= 0);
                queueClick(folders->viewport(), folders->visualItemRect(folders->item(row)).center(), true);
                break;
            }
            case Input::Typing:
                queueKeys(c.searchTerm, QStringLiteral("zq"));
                break;
            }
        });
        running = true;
        QTest::mouseClick(c.investigateButton, Qt::LeftButton);
        running = false;

        QVERIFY(queuedWhileRunning);
        // The investigation ran to its end on the site as it was, untouched.
        QCOMPARE(beeps.size(), std::size_t(1));
        QCOMPARE(beeps[0].baseFolder, site);
        QCOMPARE(beeps[0].searchTerm, term);
        QCOMPARE(beeps[0].clicks, 0);
        QCOMPARE(beeps[0].unrequested, std::size_t(1)); // p000.html, nothing links to it
        QCOMPARE(ws.searchColumn().size(), std::size_t(300));

        // Afterwards the input runs (the spy counts the test's own click too).
        switch (input) {
        case Input::InvestigateClick:
            QTRY_COMPARE(beeps.size(), std::size_t(2));
            QCOMPARE(investigateClicks.size(), 2);
            QCOMPARE(beeps[1].baseFolder, site);
            break;
        case Input::FolderDoubleClick:
            QTRY_COMPARE(str(ws.baseFolder()), site_->path("sub"));
            QCOMPARE(rows(ws.pageList()), QStringList{"a.html"});
            QCOMPARE(investigateClicks.size(), 1);
            break;
        case Input::Typing:
            QTRY_COMPARE(str(ws.searchTerm()), str(term) + "zq");
            QCOMPARE(investigateClicks.size(), 1);
            break;
        }
    }

private:
    DialogRecorder recorder_;
    std::unique_ptr<Site> site_;
    std::unique_ptr<ui::MainWindow> window_;
};

QTEST_MAIN(BusyWindowTest)
#include "busy_window_test.moc"
