// The window's own behaviour: start-up, the scroll buttons, the directory
// list's context menu, the label that does nothing, and the link
// investigation from the button click to the lists, counts and beep.
#include "uitestsupport.h"

#include "ui/foldertree.h"
#include "ui/rowlistmodel.h"

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>
#include <QWheelEvent>
#include <optional>

using namespace tavlori;
using namespace tavlori::test;
using ui::DialogKind;

namespace {

QByteArray pageNamed(int i)
{
    return QStringLiteral("p%1.html").arg(i, 3, 10, QLatin1Char('0')).toLatin1();
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        ui::setMouseButtonsHook({});
        recorder_.install();
        window_.reset();
        QDir::setCurrent(QDir::rootPath());
        site_.reset();
    }

    void startUpSelectsEveryPageAndSearchesNothing()
    {
        open({{"b.html", "&&&"}, {"a.htm", ""}, {"c.HTML.bak", "&&&"}, {"notes.txt", ""}});
        Workspace &ws = window_->workspace();
        QCOMPARE(str(ws.baseFolder()), site_->path());
        QCOMPARE(rows(ws.pageList()), (QStringList{"a.htm", "b.html", "c.HTML.bak"}));
        QCOMPARE(ws.pageList().selectedCount(), std::size_t(3));
        auto *pages = window_->controls().pageList;
        QCOMPARE(pages->model()->rowCount(), 3);
        QCOMPARE(pages->selectionModel()->selectedRows().size(), 3);
        QVERIFY(ws.searchColumn().empty());
        QCOMPARE(window_->controls().searchColumn->model()->rowCount(), 0);
        QVERIFY(recorder_.requests.empty());
        QCOMPARE(recorder_.beeps, 0);
        QVERIFY(!window_->controls().progressBar->isVisible());

        // The search term is the field's text.
        QCOMPARE(window_->controls().searchTerm->text(), QStringLiteral("&&&"));
        QTest::keyClicks(window_->controls().searchTerm, "Z");
        QCOMPARE(str(ws.searchTerm()), QStringLiteral("&&&Z"));
    }

    // "▲" and "▼" move the page list by one row, a request to the list; the
    // search column follows it to the same top row as far as its rows reach.
    void scrollButtons_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<bool>("searched"); // a search pass has filled the search column
        QTest::addColumn<int>("current");   // focused row of the page list
        QTest::addColumn<int>("top");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("pageTopAfter");
        QTest::addColumn<int>("searchTopAfter");
        QTest::newRow("up: first row focused, scrolled down")
            << 100 << true << 0 << 10 << "scrollUpButton" << 10 << 10;
        QTest::newRow("up: row 5 focused, at the top") << 100 << true << 5 << 0 << "scrollUpButton" << 0 << 0;
        QTest::newRow("up: row 5 focused, scrolled") << 100 << true << 5 << 10 << "scrollUpButton" << 9 << 9;
        QTest::newRow("down: from the top") << 100 << true << 5 << 0 << "scrollDownButton" << 1 << 1;
        QTest::newRow("down: last rows already shown")
            << 100 << true << 0 << -1 << "scrollDownButton" << -1 << -1;
        QTest::newRow("down: fewer pages than shown") << 5 << true << 0 << 0 << "scrollDownButton" << 0 << 0;
        QTest::newRow("down: one page") << 1 << true << 0 << 0 << "scrollDownButton" << 0 << 0;
        QTest::newRow("down: empty search column") << 100 << false << 0 << 0 << "scrollDownButton" << 1 << 0;
        QTest::newRow("up: no pages") << 0 << true << -1 << 0 << "scrollUpButton" << 0 << 0;
        QTest::newRow("down: no pages") << 0 << true << -1 << 0 << "scrollDownButton" << 0 << 0;
    }
    void scrollButtons()
    {
        QFETCH(int, pages);
        QFETCH(bool, searched);
        QFETCH(int, current);
        QFETCH(int, top);
        QFETCH(QString, button);
        QFETCH(int, pageTopAfter);
        QFETCH(int, searchTopAfter);
        std::vector<std::pair<QByteArray, QByteArray>> files;
        for (int i = 0; i < pages; ++i)
            files.push_back({pageNamed(i), "&&&"});
        open(files);
        if (searched)
            window_->enterFolder(); // the folder itself, searched again
        QApplication::processEvents();
        QListView *pageView = window_->controls().pageList;
        QListView *searchView = window_->controls().searchColumn;
        const int lastTop = pageView->verticalScrollBar()->maximum(); // last row at the bottom
        if (pages > 50)
            QVERIFY(lastTop > 20 && lastTop < pages - 20);
        const auto place = [lastTop](int row) { return row < 0 ? lastTop : row; };
        if (current >= 0)
            pageView->selectionModel()->setCurrentIndex(pageView->model()->index(current, 0),
                                                        QItemSelectionModel::NoUpdate);
        QCOMPARE(window_->workspace().pageList().currentIndex(), current);
        pageView->verticalScrollBar()->setValue(place(top));
        QCOMPARE(window_->workspace().pageList().topIndex(), place(top));

        QTest::mouseClick(window_->findChild<QPushButton *>(button), Qt::LeftButton);
        QCOMPARE(pageView->verticalScrollBar()->value(), place(pageTopAfter));
        QCOMPARE(searchView->verticalScrollBar()->value(), place(searchTopAfter));
        QCOMPARE(window_->workspace().pageList().topIndex(), place(pageTopAfter));
    }

    // Whatever moves the top row of the page list or of the search column
    // moves the other one to the same top row.
    void searchColumnStaysBesideItsPages_data()
    {
        QTest::addColumn<QString>("moved"); // the list the user moves
        QTest::addColumn<QString>("how");
        for (const char *list : {"pageList", "searchColumn"}) {
            for (const char *how : {"scroll bar", "wheel", "page down key", "selection into view"})
                QTest::addRow("%s, %s", list, how) << QString::fromLatin1(list) << QString::fromLatin1(how);
        }
    }
    void searchColumnStaysBesideItsPages()
    {
        QFETCH(QString, moved);
        QFETCH(QString, how);
        std::vector<std::pair<QByteArray, QByteArray>> files;
        for (int i = 0; i < 200; ++i)
            files.push_back({pageNamed(i), i % 3 == 0 ? "&&&" : ""});
        open(files);
        window_->enterFolder();
        QApplication::processEvents();
        auto *view = window_->findChild<QListView *>(moved);
        QListView *pageView = window_->controls().pageList;
        QListView *searchView = window_->controls().searchColumn;
        QCOMPARE(searchView->model()->rowCount(), 200);

        if (how == "scroll bar") {
            view->verticalScrollBar()->setValue(37);
        } else if (how == "wheel") {
            const QPoint at = view->viewport()->rect().center();
            QWheelEvent wheel(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120 * 3),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(view->viewport(), &wheel);
        } else if (how == "page down key") {
            view->setFocus();
            view->selectionModel()->setCurrentIndex(view->model()->index(0, 0),
                                                    QItemSelectionModel::NoUpdate);
            QTest::keyClick(view, Qt::Key_PageDown);
            QTest::keyClick(view, Qt::Key_PageDown);
        } else {
            view->scrollTo(view->model()->index(150, 0));
        }
        QApplication::processEvents();

        const int top = view->verticalScrollBar()->value();
        QVERIFY2(top > 0, "the list did not move");
        QCOMPARE(pageView->verticalScrollBar()->value(), top);
        QCOMPARE(searchView->verticalScrollBar()->value(), top);
        QCOMPARE(window_->workspace().pageList().topIndex(), top);

        // The rows side by side at the top belong together.
        QCOMPARE(pageView->indexAt(QPoint(2, 2)).row(), top);
        QCOMPARE(searchView->indexAt(QPoint(2, 2)).row(), top);
    }

    // Without a selected page and with an empty request list the
    // investigation says so and changes nothing; with targets gathered
    // before it runs.
    void anInvestigationWithoutPagesOrTargetsChangesNothing()
    {
        open({{"a.html", "<a href=\"b.html\">b</a>"}, {"b.html", ""}, {"c.html", ""}});
        Workspace &ws = window_->workspace();
        auto *pages = window_->controls().pageList;
        pages->clearSelection();
        QCOMPARE(ws.pageList().selectedCount(), std::size_t(0));
        ws.unrequestedPages().append("kept");
        window_->syncViews();

        QTest::mouseClick(window_->controls().investigateButton, Qt::LeftButton);

        QCOMPARE(recorder_.requests.size(), std::size_t(1));
        QCOMPARE(recorder_.requests[0].kind, DialogKind::Message);
        QCOMPARE(recorder_.requests[0].text, QStringLiteral("ファイルが選択されていません。"));
        QCOMPARE(rows(ws.unrequestedPages()), QStringList{"kept"});
        QVERIFY(ws.searchColumn().empty());
        QVERIFY(!ws.unrequestedCount().has_value());
        QCOMPARE(recorder_.beeps, 0);

        // With targets gathered before, the pages are checked against them.
        pages->selectionModel()->select(pages->model()->index(0, 0), QItemSelectionModel::Select);
        QTest::mouseClick(window_->controls().investigateButton, Qt::LeftButton);
        QVERIFY(!ws.requestList().empty());
        pages->clearSelection();
        recorder_.clear();
        QTest::mouseClick(window_->controls().investigateButton, Qt::LeftButton);
        QVERIFY(recorder_.requests.empty());
        QCOMPARE(recorder_.beeps, 1);
        QCOMPARE(rows(ws.unrequestedPages()),
                 (QStringList{str(ws.resolve("a.html")), str(ws.resolve("c.html"))}));
    }

    // Every list and field has its name for assistive technology, and the
    // rows of the lists are read through the accessibility interface.
    void listsAndFieldsAreReadableByAssistiveTechnology()
    {
        open({{"index.html", "&&& <a href=\"a.html\">a</a> <a href=\"gone.html\">g</a>"},
              {"a.html", ""},
              {"orphan.html", ""}});
        site_->mkdir("sub");
        window_->controls().folderTree->rebuild();
        QTest::mouseClick(window_->controls().investigateButton, Qt::LeftButton);
        const Workspace &ws = window_->workspace();
        struct Named {
            const char *control;
            QString name;
            std::optional<QStringList> rows; // the rows the list shows, if it is a result list
        };
        const std::vector<Named> named = {
            {"pageList", "HTMLファイル", rows(ws.pageList())},
            {"searchColumn", "検索結果", rows(ws.searchColumn())},
            {"missingTargets", "リンクしているのに存在していない", linkRows(ws)},
            {"brokenLinkPages", "リンク切れHTML", pageRows(ws)},
            {"requestList", "分岐リクエスト集", rows(ws.requestList())},
            {"unrequestedPages", "リクエストされていないHTML", rows(ws.unrequestedPages())},
            {"searchTerm", "検索", std::nullopt},
            {"requestCount", "リクエスト数", std::nullopt},
            {"unrequestedCount", "リクエストされていないHTMLの数", std::nullopt},
            {"folderTree", "フォルダ", std::nullopt},
            {"volumeSelector", "ドライブ", std::nullopt},
        };
        for (const Named &n : named) {
            auto *widget = window_->findChild<QWidget *>(n.control);
            QVERIFY2(widget, n.control);
            QAccessibleInterface *control = QAccessible::queryAccessibleInterface(widget);
            QVERIFY2(control, n.control);
            QCOMPARE(widget->accessibleName(), n.name);
            // Qt reads out a combo box's current text as its name on Unix (its
            // label is told by relation), every other control by its own name.
            if (!widget->inherits("QComboBox"))
                QCOMPARE(control->text(QAccessible::Name), n.name);
            QStringList shown;
            if (n.rows) {
                QVERIFY2(!n.rows->empty(), n.control);
                for (int i = 0; i < control->childCount(); ++i)
                    shown.append(control->child(i)->text(QAccessible::Name));
                QCOMPARE(shown, *n.rows);
            }
        }
        // The folder rows are read the same way.
        ui::FolderTree *folders = window_->controls().folderTree;
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(folders);
        QCOMPARE(list->childCount(), folders->count());
        QCOMPARE(list->child(folders->count() - 1)->text(QAccessible::Name), QStringLiteral("sub"));
    }

    // Any press over the folder tree opens its menu while the right
    // button is down, at the cursor. The left and the right button highlight
    // the row under the pointer (the right one without entering it).
    void contextMenu_data()
    {
        QTest::addColumn<int>("pressed");
        QTest::addColumn<int>("held");
        QTest::addColumn<bool>("shown");
        QTest::newRow("right click") << int(Qt::RightButton) << int(Qt::RightButton) << true;
        QTest::newRow("left press, right held")
            << int(Qt::LeftButton) << int(Qt::LeftButton | Qt::RightButton) << true;
        QTest::newRow("right press, left held")
            << int(Qt::RightButton) << int(Qt::LeftButton | Qt::RightButton) << true;
        QTest::newRow("left click") << int(Qt::LeftButton) << int(Qt::LeftButton) << false;
        QTest::newRow("middle click") << int(Qt::MiddleButton) << int(Qt::MiddleButton) << false;
    }
    void contextMenu()
    {
        QFETCH(int, pressed);
        QFETCH(int, held);
        QFETCH(bool, shown);
        open({});
        site_->mkdir("sub");
        ui::FolderTree *list = window_->controls().folderTree;
        list->rebuild();
        const int highlighted = list->currentRow();
        const int other = list->count() - 1;
        QVERIFY(other != highlighted);
        ui::setMouseButtonsHook([held] { return Qt::MouseButtons(held); });
        QCursor::setPos(QPoint(300, 200));
        const QPoint cursor = QCursor::pos();
        QTest::mousePress(list->viewport(), Qt::MouseButton(pressed), {},
                          list->visualItemRect(list->item(other)).center());
        QMenu *menu = window_->folderMenu();
        QCOMPARE(menu->isVisible(), shown);
        if (shown)
            QCOMPARE(menu->pos(), cursor);
        QCOMPARE(list->currentRow(), pressed == Qt::MiddleButton ? highlighted : other);
        menu->hide();
        QCOMPARE(str(window_->workspace().baseFolder()), site_->path());
    }

    void leavingTheFolderTreeClosesTheMenu()
    {
        open({});
        ui::FolderTree *list = window_->controls().folderTree;
        QSignalSpy exits(list, &ui::FolderTree::focusLeft);
        window_->folderMenu()->popup(QPoint(100, 100));
        QVERIFY(window_->folderMenu()->isVisible());
        window_->folderTreeLeft();
        QVERIFY(!window_->folderMenu()->isVisible());

        // Losing the focus is the exit; a popup taking it for a while is not.
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        list->setFocus();
        QFocusEvent popupFocus(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(list, &popupFocus);
        QCOMPARE(exits.size(), 0);
        window_->controls().searchTerm->setFocus();
        QCOMPARE(exits.size(), 1);
    }

    void clickingTheSearchLabelChangesNothing()
    {
        open({{"a.html", "&&&"}});
        window_->enterFolder();
        Workspace &ws = window_->workspace();
        const auto before = std::make_tuple(ws.baseFolder(), rows(ws.pageList()), rows(ws.searchColumn()),
                                            ws.pageList().selectedCount(), ws.searchTerm());
        recorder_.clear();
        QTest::mouseClick(window_->controls().searchLabel, Qt::LeftButton);
        QCOMPARE(std::make_tuple(ws.baseFolder(), rows(ws.pageList()), rows(ws.searchColumn()),
                                 ws.pageList().selectedCount(), ws.searchTerm()),
                 before);
        QVERIFY(recorder_.requests.empty());
        QCOMPARE(recorder_.beeps, 0);
    }

    void investigationFromTheButton()
    {
        open({{"index.html", "<a href=\"a.html\">a</a> <a href=\"b.html\">b</a>"
                             " <a href=\"missing.html\">gone</a>"},
              {"a.html", "&&& <a href=\"index.html\">home</a>"},
              {"b.html", "plain"},
              {"orphan.html", "nobody links here"}});
        Workspace &ws = window_->workspace();
        QTest::mouseClick(window_->controls().investigateButton, Qt::LeftButton);

        const auto resolved = [&ws](const char *name) { return str(ws.resolve(name)); };
        QCOMPARE(rows(ws.searchColumn()), (QStringList{"found", "-", "-", "-"}));
        QCOMPARE(rows(ws.requestList()), (QStringList{resolved("index.html"), resolved("a.html"),
                                                      resolved("b.html"), resolved("missing.html")}));
        QCOMPARE(linkRows(ws), QStringList{"missing.html"});
        QCOMPARE(pageRows(ws), QStringList{"index.html"});
        QCOMPARE(rows(ws.unrequestedPages()), QStringList{resolved("orphan.html")});
        QCOMPARE(window_->controls().requestCount->text(), QStringLiteral("4"));
        QCOMPARE(window_->controls().unrequestedCount->text(), QStringLiteral("1"));
        QCOMPARE(recorder_.beeps, 1);
        QVERIFY(recorder_.requests.empty());

        // The views show what the lists hold, the unrequested pages selected.
        const Ui::MainWindow &c = window_->controls();
        QCOMPARE(c.requestList->model()->rowCount(), 4);
        QCOMPARE(c.missingTargets->model()->index(0, 0).data().toString(), QStringLiteral("missing.html"));
        QCOMPARE(c.unrequestedPages->model()->rowCount(), 1);
        QVERIFY(c.unrequestedPages->selectionModel()->isRowSelected(0));
        QVERIFY(!c.progressBar->isVisible());

        // "リクエストの初期化" empties the request list only.
        QTest::mouseClick(window_->controls().clearRequestsButton, Qt::LeftButton);
        QVERIFY(ws.requestList().empty());
        QCOMPARE(c.requestList->model()->rowCount(), 0);
        QCOMPARE(c.requestCount->text(), QStringLiteral("4"));
        QCOMPARE(c.unrequestedPages->model()->rowCount(), 1);
        QCOMPARE(c.missingTargets->model()->rowCount(), 1);
    }

    // A missing page's dialog shows the lists as they stand at that moment.
    void viewsAreCurrentWhenADialogShows()
    {
        open({{"a.html", "&&&"}});
        QVERIFY(QFile::link(site_->path("nowhere"), site_->path("b.html")));
        window_->controls().folderTree->rebuild(); // reads the page list again
        int shownRows = -1;
        bool progressShown = false;
        QString progressText;
        ui::setDialogHook([&](const ui::DialogRequest &) {
            shownRows = window_->controls().searchColumn->model()->rowCount();
            progressShown = window_->controls().progressBar->isVisible();
            progressText = window_->controls().progressText->text();
            return 0;
        });
        QTest::mouseClick(window_->controls().investigateButton, Qt::LeftButton);
        QCOMPARE(shownRows, int(window_->workspace().searchColumn().size()) - 1);
        QCOMPARE(shownRows, 1); // a.html's row stood in the column
        // The progress strip shows while the command runs, and only then.
        QVERIFY(progressShown);
        QVERIFY2(progressText.startsWith(QStringLiteral("処理中 ")), qPrintable(progressText));
        QVERIFY(progressText.endsWith(QStringLiteral(" / 2")));
        QVERIFY(!window_->controls().progressBar->isVisible());
        QVERIFY(!window_->controls().progressText->isVisible());
    }

    // Closing the window while a command runs waits for the command.
    void closingWaitsForTheRunningCommand()
    {
        open({{"a.html", ""}});
        QVERIFY(QFile::link(site_->path("nowhere"), site_->path("b.html")));
        window_->controls().folderTree->rebuild();
        bool openWhileRunning = false;
        ui::setDialogHook([this, &openWhileRunning](const ui::DialogRequest &) {
            window_->close();
            openWhileRunning = window_->isVisible();
            return 0;
        });
        QTest::mouseClick(window_->controls().investigateButton, Qt::LeftButton);
        QVERIFY(openWhileRunning);
        QCOMPARE(window_->controls().unrequestedCount->text(), QStringLiteral("2")); // the command ended
        QTRY_VERIFY(!window_->isVisible());
    }

private:
    void open(const std::vector<std::pair<QByteArray, QByteArray>> &files)
    {
        site_ = std::make_unique<Site>();
        for (const auto &[name, bytes] : files)
            site_->write(QString::fromUtf8(name), bytes);
        window_ = openWindow(site_->path());
        QVERIFY(window_);
        recorder_.clear();
    }

    DialogRecorder recorder_;
    std::unique_ptr<Site> site_;
    std::unique_ptr<ui::MainWindow> window_;
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
