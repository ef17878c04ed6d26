// File operations driven through the window: the three trash commands from
// their buttons and the folder tree's menu, on a real site with a real
// (temporary) trash, and the opening commands from double-clicks and clicks
// in the lists, with the editor played by a script and the desktop by a
// recorder.
#include "uitestsupport.h"

#include "platform/opener.h"
#include "ui/foldertree.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QUrl>

#include <memory>
#include <optional>

using namespace tavlori;
using namespace tavlori::test;
using ui::DialogKind;

namespace {

// HOME and XDG_DATA_HOME point into this folder from before the application
// exists, so the trash is <root>/data/Trash, on the same file system as the
// sites made beside it, and never the user's own.
std::unique_ptr<QTemporaryDir> &homeRoot()
{
    static std::unique_ptr<QTemporaryDir> root;
    return root;
}

QString rootPath()
{
    return QDir(homeRoot()->path()).canonicalPath();
}

QString trashPath()
{
    return rootPath() + "/data/Trash";
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                  QDir::Name);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QPoint rowCentre(QAbstractItemView *view, int row)
{
    return view->visualRect(view->model()->index(row, 0)).center();
}

void click(QAbstractItemView *view, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, rowCentre(view, row));
}

// A double-click as the platform delivers it: press, release, the second
// press as a double-click, release.
void doubleClickAt(QAbstractItemView *view, QPoint pos)
{
    QWidget *viewport = view->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, pos);
}

void doubleClick(QAbstractItemView *view, int row)
{
    doubleClickAt(view, rowCentre(view, row));
}

int rowOf(const RowList &list, const std::string &text)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list.row(i) == text)
            return static_cast<int>(i);
    return -1;
}

} // namespace

class FileOpsWindowTest : public QObject {
    Q_OBJECT
public:
    static void initMain()
    {
        homeRoot() = std::make_unique<QTemporaryDir>();
        const QString root = QDir(homeRoot()->path()).canonicalPath();
        QDir().mkpath(root + "/home");
        QDir().mkpath(root + "/data");
        qputenv("HOME", (root + "/home").toUtf8());
        qputenv("XDG_DATA_HOME", (root + "/data").toUtf8());
    }

private slots:
    void initTestCase() { QVERIFY(homeRoot() && homeRoot()->isValid()); }

    void init()
    {
        // Each test has its own folder holding the site, with an empty trash.
        QVERIFY(QDir(trashPath()).removeRecursively());
        base_ = std::make_unique<Site>(rootPath());
        base_->mkdir(QStringLiteral("site"));
        opened_.clear();
        platform::setUrlOpenerForTests([this](const QUrl &url) {
            opened_.push_back(url);
            return true;
        });
    }

    void cleanup()
    {
        window_.reset();
        ui::setMouseButtonsHook({});
        platform::setUrlOpenerForTests(nullptr);
        platform::setEditorPathForTests(QString());
        recorder_.install();
        QDir::setCurrent(rootPath());
        base_.reset();
    }

    // "選択HTMLを削除" moves the pages the user selected, says how many, and
    // shows the page list read again with nothing selected; the search
    // column, whose rows stood beside the old rows, is emptied, and the moved
    // pages leave the unrequested pages with their count.
    void selectedPagesGoToTheTrash()
    {
        open({{"a.html", "&&&"}, {"b.html", ""}, {"c.html", ""}});
        QTest::mouseClick(window_->controls().investigateButton, Qt::LeftButton);
        Workspace &ws = window_->workspace();
        QCOMPARE(rows(ws.unrequestedPages()).size(), 3);
        QCOMPARE(window_->controls().unrequestedCount->text(), QStringLiteral("3"));
        QCOMPARE(ws.searchColumn().size(), std::size_t(3));
        QListView *pages = window_->controls().pageList;
        click(pages, 0);
        click(pages, 2, Qt::ControlModifier);
        QCOMPARE(ws.pageList().selectedCount(), std::size_t(2));
        recorder_.clear();

        QTest::mouseClick(window_->controls().trashSelectedButton, Qt::LeftButton);

        QCOMPARE(messages(), QStringList{"2 件のファイルをゴミ箱に移動しました。"});
        QCOMPARE(recorder_.count(DialogKind::Confirm), 0);
        QCOMPARE(entries(site()), QStringList{"b.html"});
        QCOMPARE(entries(trashPath() + "/files"), (QStringList{"a.html", "c.html"}));
        QCOMPARE(entries(trashPath() + "/info"), (QStringList{"a.html.trashinfo", "c.html.trashinfo"}));
        QCOMPARE(rows(ws.pageList()), QStringList{"b.html"});
        QCOMPARE(ws.pageList().selectedCount(), std::size_t(0));
        QCOMPARE(pages->model()->rowCount(), 1);
        QVERIFY(pages->selectionModel()->selectedRows().isEmpty());
        QVERIFY(ws.searchColumn().empty());
        QCOMPARE(window_->controls().searchColumn->model()->rowCount(), 0);
        QCOMPARE(rows(ws.unrequestedPages()), QStringList{str(ws.resolve("b.html"))});
        QCOMPARE(window_->controls().unrequestedPages->model()->rowCount(), 1);
        QCOMPARE(window_->controls().unrequestedCount->text(), QStringLiteral("1"));
        QCOMPARE(recorder_.beeps, 0);
    }

    void noSelectedPageMovesNothing()
    {
        open({{"a.html", ""}});
        click(window_->controls().pageList, 0, Qt::ControlModifier); // deselects the one page
        QCOMPARE(window_->workspace().pageList().selectedCount(), std::size_t(0));

        QTest::mouseClick(window_->controls().trashSelectedButton, Qt::LeftButton);

        QCOMPARE(messages(), QStringList{"ファイルが選択されていません。"});
        QCOMPARE(entries(site()), QStringList{"a.html"});
        QVERIFY(entries(trashPath() + "/files").isEmpty());
    }

    // A page gone behind the list's back: the others move, the item is named
    // in a warning that stands over the progress window, which waits behind
    // it; the failure is told with how many of how many moved, and the lists
    // follow what moved.
    void aPageThatCannotBeMovedIsReported()
    {
        open({{"a.html", ""}, {"b.html", ""}, {"c.html", ""}});
        window_->workspace().searchPass();
        QVERIFY(QFile::remove(site("b.html")));
        window_->syncViews();
        int progressAtError = -1;
        bool progressVisible = false;
        QWidget *progressOwner = nullptr;
        ui::setDialogHook([&](const ui::DialogRequest &request) {
            recorder_.requests.push_back(request);
            if (auto *progress = qobject_cast<QProgressDialog *>(request.parent)) {
                progressOwner = progress->parentWidget();
                progressAtError = progress->value();
                // Shown now, the progress window stays put behind the error,
                // whose owner it is.
                progress->show();
                QApplication::processEvents();
                progressVisible = progress->isVisible();
            }
            return 0;
        });

        QTest::mouseClick(window_->controls().trashSelectedButton, Qt::LeftButton);

        QCOMPARE(recorder_.requests.size(), std::size_t(2));
        QCOMPARE(recorder_.requests[0].icon, QMessageBox::Warning);
        QVERIFY2(recorder_.requests[0].text.contains("b.html"), qPrintable(recorder_.requests[0].text));
        // The warning's owner was the progress window, itself owned by the window.
        QCOMPARE(progressOwner, window_.get());
        QCOMPARE(progressAtError, 1); // the request stood still at the item that failed
        QVERIFY(progressVisible);
        QCOMPARE(recorder_.requests[1].kind, DialogKind::Message);
        QCOMPARE(recorder_.requests[1].text,
                 QStringLiteral("ファイルの移動に失敗しました。 (3 件中 2 件を移動しました)"));
        QCOMPARE(recorder_.requests[1].parent, window_.get());
        QCOMPARE(entries(trashPath() + "/files"), (QStringList{"a.html", "c.html"}));
        QVERIFY(window_->workspace().pageList().empty());
        QCOMPARE(window_->controls().pageList->model()->rowCount(), 0);
        QVERIFY(window_->workspace().searchColumn().empty());
    }

    // A request that moved nothing changes no list.
    void aRequestThatMovedNothingChangesNoList()
    {
        open({{"a.html", "&&&"}, {"b.html", ""}});
        Workspace &ws = window_->workspace();
        ws.searchPass();
        ws.unrequestedPages().assign({site("a.html").toStdString()});
        window_->syncViews();
        QVERIFY(QFile::remove(site("a.html")));
        QVERIFY(QFile::remove(site("b.html")));

        QTest::mouseClick(window_->controls().trashSelectedButton, Qt::LeftButton);

        QCOMPARE(recorder_.requests.size(), std::size_t(3)); // a warning for each page, then the failure
        QCOMPARE(messages().last(), QStringLiteral("ファイルの移動に失敗しました。"));
        QCOMPARE(rows(ws.pageList()), (QStringList{"a.html", "b.html"}));
        QCOMPARE(ws.pageList().selectedCount(), std::size_t(2));
        QCOMPARE(rows(ws.searchColumn()), (QStringList{"found", "-"}));
        QCOMPARE(rows(ws.unrequestedPages()), QStringList{site("a.html")});
    }

    // "不要なHTML削除" right after an investigation: every unrequested page is
    // offered in one confirmation; a row that resolves to the site folder
    // itself ("$" in the name) or to a file outside it (two "..\" after a
    // folder level in the name: a name starting with "." is hidden and never
    // listed) moves nothing. The rows of the pages that moved leave the list,
    // its count follows, the page list is read again keeping the selected
    // pages that are still there, and the search column is emptied; declined,
    // no list changes. The command ends with a beep.
    void unrequestedPagesGoButNeverTheSiteOrAnOutsideFile_data()
    {
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("confirmed") << true;
        QTest::newRow("declined") << false;
    }
    void unrequestedPagesGoButNeverTheSiteOrAnOutsideFile()
    {
        QFETCH(bool, confirmed);
        base_->write("x.html", "outside");
        open({{"index.html", "<a href=\"a.html\">a</a>"},
              {"a.html", "<a href=\"index.html\">home</a>"},
              {"old.html", ""},
              {"price$1.html", ""},
              {"a\\..\\..\\x.html", ""}});
        QTest::mouseClick(window_->controls().investigateButton, Qt::LeftButton);
        Workspace &ws = window_->workspace();
        const QStringList unrequested = rows(ws.unrequestedPages());
        QVERIFY2(unrequested.size() == 3, qPrintable(unrequested.join(" | ")));
        QVERIFY(unrequested.contains(base() + "/x.html"));
        QVERIFY(unrequested.contains(site()));
        QVERIFY(unrequested.contains(str(ws.resolve("old.html"))));
        QCOMPARE(ws.unrequestedPages().selectedCount(), std::size_t(3));
        // The user deselects one page of the page list.
        QListView *pages = window_->controls().pageList;
        const int aRow = rowOf(ws.pageList(), "a.html");
        click(pages, aRow, Qt::ControlModifier);
        const QStringList selectedBefore = selectedPages();
        QCOMPARE(selectedBefore.size(), 4);
        const QStringList searchBefore = rows(ws.searchColumn());
        QVERIFY(!searchBefore.isEmpty());
        recorder_.clear();
        std::vector<ui::DialogRequest> asked;
        ui::setDialogHook([&](const ui::DialogRequest &request) {
            asked.push_back(request);
            return request.kind == DialogKind::Confirm && !confirmed ? 1 : 0;
        });

        QTest::mouseClick(window_->controls().trashUnrequestedButton, Qt::LeftButton);

        QCOMPARE(asked.size(), std::size_t(1));
        QCOMPARE(asked[0].kind, DialogKind::Confirm);
        QVERIFY2(asked[0].text.contains("old.html"), qPrintable(asked[0].text));
        QVERIFY(!asked[0].text.contains("x.html"));
        QCOMPARE(asked[0].buttons, (QStringList{QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)")}));
        const QStringList kept = {"a.html", "a\\..\\..\\x.html", "index.html", "price$1.html"};
        if (confirmed) {
            QCOMPARE(entries(site()), kept);
            QCOMPARE(entries(trashPath() + "/files"), QStringList{"old.html"});
            QCOMPARE(entries(trashPath() + "/info"), QStringList{"old.html.trashinfo"});
        } else {
            QCOMPARE(entries(site()),
                     (QStringList{"a.html", "a\\..\\..\\x.html", "index.html", "old.html", "price$1.html"}));
            QVERIFY(entries(trashPath() + "/files").isEmpty());
        }
        QCOMPARE(entries(base()), (QStringList{"site", "x.html"}));
        QCOMPARE(contents(base() + "/x.html"), QByteArray("outside"));
        if (confirmed) {
            QStringList left = unrequested;
            left.removeAll(str(ws.resolve("old.html")));
            QCOMPARE(rows(ws.unrequestedPages()), left);
            QCOMPARE(window_->controls().unrequestedPages->model()->rowCount(), 2);
            QCOMPARE(window_->controls().unrequestedCount->text(), QStringLiteral("2"));
            QCOMPARE(rows(ws.pageList()), kept);
            QStringList stillSelected = selectedBefore;
            stillSelected.removeAll("old.html");
            QCOMPARE(selectedPages(), stillSelected);
            QCOMPARE(pages->selectionModel()->selectedRows().size(), stillSelected.size());
            QVERIFY(ws.searchColumn().empty());
        } else {
            QCOMPARE(rows(ws.unrequestedPages()), unrequested);
            QCOMPARE(window_->controls().unrequestedCount->text(), QStringLiteral("3"));
            QCOMPARE(selectedPages(), selectedBefore);
            QCOMPARE(rows(ws.searchColumn()), searchBefore);
        }
        QCOMPARE(recorder_.beeps, 1);
    }

    void unrequestedPagesWithAnEmptyListStillBeep()
    {
        open({{"a.html", ""}});
        QTest::mouseClick(window_->controls().trashUnrequestedButton, Qt::LeftButton);
        QVERIFY(recorder_.requests.empty());
        QCOMPARE(recorder_.beeps, 1);
        QCOMPARE(entries(site()), QStringList{"a.html"});
    }

    // "フォルダの削除" from the folder tree's menu acts on the row the user
    // right-clicked, which the click highlights without entering it. When
    // the folder moved, the folder tree is rebuilt and the page list read
    // again keeping its selection, the search column emptied; no change of
    // folder runs. Declined, or nothing to move: no list changes.
    void folderFromTheContextMenu_data()
    {
        QTest::addColumn<QString>("pointed");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<bool>("moved");
        QTest::newRow("subfolder") << "old" << true << true;
        QTest::newRow("subfolder, declined") << "old" << false << false;
        QTest::newRow("root row") << "/" << true << false;
        QTest::newRow("the folder's own row") << "site" << true << false;
    }
    void folderFromTheContextMenu()
    {
        QFETCH(QString, pointed);
        QFETCH(bool, confirmed);
        QFETCH(bool, moved);
        base_->write("site/old/x.html", "");
        base_->write("site/other/y.html", "");
        open({{"a.html", ""}, {"b.html", ""}});
        ui::FolderTree *list = window_->controls().folderTree;
        list->rebuild();
        Workspace &ws = window_->workspace();
        QCOMPARE(rows(ws.searchColumn()), (QStringList{"-", "-"}));
        ws.unrequestedPages().append("stale"); // emptied only by a change of folder
        window_->syncViews();
        click(window_->controls().pageList, 1, Qt::ControlModifier); // b.html deselected
        const QStringList entriesBefore = entries(site());

        // The highlight stands on another row; the right click moves it to
        // the row pointed at and opens the menu there.
        const int other = folderRow(list, "other");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(other)).center());
        QCOMPARE(list->currentRow(), other);
        int row = folderRow(list, pointed);
        if (pointed == "site")
            row = list->directoryRow();
        QVERIFY(row >= 0);
        ui::setMouseButtonsHook([] { return Qt::MouseButtons(Qt::RightButton); });
        QTest::mousePress(list->viewport(), Qt::RightButton, {},
                          list->visualItemRect(list->item(row)).center());
        ui::setMouseButtonsHook({});
        QMenu *menu = window_->folderMenu();
        QVERIFY(menu->isVisible());
        QCOMPARE(list->currentRow(), row);
        QCOMPARE(str(ws.baseFolder()), site()); // nothing entered

        QSignalSpy changes(list, &ui::FolderTree::changed);
        recorder_.clear();
        std::vector<ui::DialogRequest> asked;
        ui::setDialogHook([&](const ui::DialogRequest &request) {
            asked.push_back(request);
            return request.kind == DialogKind::Confirm && !confirmed ? 1 : 0;
        });
        QTest::mouseClick(menu, Qt::LeftButton, {},
                          menu->actionGeometry(window_->trashFolderAction()).center());
        QVERIFY(!menu->isVisible());

        QCOMPARE(int(asked.size()), pointed == "old" ? 1 : 0);
        if (!asked.empty()) {
            QCOMPARE(asked[0].kind, DialogKind::Confirm);
            QCOMPARE(asked[0].text, QStringLiteral("'old' をごみ箱に移動しますか?"));
        }
        QCOMPARE(changes.size(), 0);
        QCOMPARE(str(ws.baseFolder()), site());
        QCOMPARE(rows(ws.unrequestedPages()), QStringList{"stale"});
        QCOMPARE(rows(ws.pageList()), (QStringList{"a.html", "b.html"}));
        QCOMPARE(selectedPages(), QStringList{"a.html"});
        QCOMPARE(window_->controls().pageList->selectionModel()->selectedRows().size(), 1);
        if (moved) {
            QCOMPARE(entries(site()), (QStringList{"a.html", "b.html", "other"}));
            QCOMPARE(entries(trashPath() + "/files"), QStringList{"old"});
            QCOMPARE(entries(trashPath() + "/info"), QStringList{"old.trashinfo"});
            QVERIFY(QFileInfo::exists(trashPath() + "/files/old/x.html"));
            QCOMPARE(folderRow(list, "old"), -1);
            QVERIFY(ws.searchColumn().empty());
        } else {
            QCOMPARE(entries(site()), entriesBefore);
            QVERIFY(entries(trashPath() + "/files").isEmpty());
            QVERIFY(folderRow(list, "old") > list->directoryRow());
            QCOMPARE(rows(ws.searchColumn()), (QStringList{"-", "-"}));
        }
        QCOMPARE(folderRows(list).mid(list->directoryRow(), 1), QStringList{"site"});
    }

    // Pages of the page list and pages holding a broken link open in the
    // editor with their full path as its one argument; only the page list's
    // double-click empties the request list.
    void pagesOpenInTheEditor()
    {
        const QString received = useEditorStandIn();
        open({{"index.html", "<a href=\"missing.html\">m</a> <a href=\"a b'x.html\">q</a>"},
              {"a b'x.html", ""}});
        QTest::mouseClick(window_->controls().investigateButton, Qt::LeftButton);
        Workspace &ws = window_->workspace();
        QCOMPARE(pageRows(ws), QStringList{"index.html"});
        const int requests = int(ws.requestList().size());
        QVERIFY(requests > 0);

        doubleClick(window_->controls().brokenLinkPages, 0);
        QCOMPARE(editorArguments(received), (QStringList{"1", site("index.html")}));
        QCOMPARE(int(ws.requestList().size()), requests);

        // The second page, after the first was focused: the clicked row counts.
        click(window_->controls().pageList, 1);
        doubleClick(window_->controls().pageList, 0);
        QCOMPARE(editorArguments(received), (QStringList{"1", site("a b'x.html")}));
        QVERIFY(ws.requestList().empty());
        QCOMPARE(window_->controls().requestList->model()->rowCount(), 0);
        QVERIFY(opened_.empty());
        QCOMPARE(recorder_.count(DialogKind::StandardError), 0);
    }

    // An editor or a default program that cannot be started is told in an
    // error dialog naming the program, the page and why; the page list's
    // double-click still empties the request list.
    void aProgramThatCannotStartIsTold()
    {
        open({{"index.html", "<a href=\"a.html\">a</a>"}, {"a.html", ""}});
        QTest::mouseClick(window_->controls().investigateButton, Qt::LeftButton);
        Workspace &ws = window_->workspace();
        QVERIFY(!ws.requestList().empty());
        const QString editor = base() + "/no editor here";
        platform::setEditorPathForTests(editor);
        platform::setUrlOpenerForTests([](const QUrl &) { return false; });
        recorder_.clear();

        doubleClick(window_->controls().pageList, 0);

        QCOMPARE(recorder_.requests.size(), std::size_t(1));
        QCOMPARE(recorder_.requests[0].kind, DialogKind::StandardError);
        QCOMPARE(recorder_.requests[0].text, "エディタ " + editor + " で " + site("a.html")
                                                 + " を開けません。 プログラムが見つかりません ");
        QVERIFY(ws.requestList().empty());

        // The default program, for an unrequested page.
        recorder_.clear();
        const QString page = str(ws.unrequestedPages().row(0));
        doubleClick(window_->controls().unrequestedPages, 0);
        QCOMPARE(recorder_.requests.size(), std::size_t(1));
        QCOMPARE(recorder_.requests[0].kind, DialogKind::StandardError);
        QCOMPARE(recorder_.requests[0].text,
                 "既定のプログラムで " + page
                     + " を開けません。 関連付けられたプログラムがないか、起動できません ");
    }

    // Unrequested pages, request-list rows (also from the search column) and
    // missing targets go to the default program: web addresses and local
    // paths, never a script address.
    void rowsOpenWithTheDefaultProgram()
    {
        open({{"index.html", "<a href=\"a.html\">a</a> <a href=\"http://example.com/x.html\">w</a>"
                             " <a href=\"javascript:go('j.html')\">j</a>"
                             " <a href=\"missing.html\">m</a> <a href=\"gone.html\">g</a>"},
              {"a.html", "&&& <a href=\"index.html\">home</a>"},
              {"orphan.html", ""}});
        QTest::mouseClick(window_->controls().investigateButton, Qt::LeftButton);
        Workspace &ws = window_->workspace();
        const Ui::MainWindow &c = window_->controls();
        const int webRow = rowOf(ws.requestList(), "http://example.com/x.html");
        const int scriptRow = rowOf(ws.requestList(), "javascript:go('j.html')");
        const int page = rowOf(ws.requestList(), ws.resolve("a.html"));
        QVERIFY2(webRow >= 0 && scriptRow >= 0 && page >= 0, qPrintable(rows(ws.requestList()).join(" | ")));
        // External addresses are requested but never listed as missing.
        QCOMPARE(linkRows(ws), (QStringList{"missing.html", "gone.html"}));
        QCOMPARE(rows(ws.unrequestedPages()), QStringList{str(ws.resolve("orphan.html"))});
        recorder_.clear();

        doubleClick(c.unrequestedPages, 0);
        QCOMPARE(opened_, std::vector<QUrl>{QUrl::fromLocalFile(site("orphan.html"))});

        opened_.clear();
        doubleClick(c.requestList, webRow);
        doubleClick(c.requestList, scriptRow);
        doubleClick(c.requestList, page);
        QCOMPARE(opened_,
                 (std::vector<QUrl>{QUrl("http://example.com/x.html"), QUrl::fromLocalFile(site("a.html"))}));

        // The search column opens the request list's focused row.
        opened_.clear();
        click(c.requestList, webRow);
        doubleClick(c.searchColumn, 1);
        QCOMPARE(opened_, std::vector<QUrl>{QUrl("http://example.com/x.html")});

        // Every change of the missing-target list's selection by mouse or key
        // opens the focused row, the first click on the row focused from the
        // start too.
        opened_.clear();
        c.missingTargets->setFocus();
        QCOMPARE(c.missingTargets->currentIndex().row(), 0);
        click(c.missingTargets, 0);
        click(c.missingTargets, 1);
        const QUrl missing = QUrl::fromLocalFile(site("missing.html"));
        const QUrl gone = QUrl::fromLocalFile(site("gone.html"));
        QCOMPARE(opened_, (std::vector<QUrl>{missing, gone}));
        QTest::keyClick(c.missingTargets, Qt::Key_Up);
        QCOMPARE(c.missingTargets->currentIndex().row(), 0);
        QCOMPARE(opened_, (std::vector<QUrl>{missing, gone, missing}));
        // A click that changes nothing opens nothing.
        click(c.missingTargets, 0);
        QCOMPARE(opened_.size(), std::size_t(3));
        QVERIFY(recorder_.requests.empty());

        // Filling the list again is no click of the user's.
        QTest::mouseClick(c.investigateButton, Qt::LeftButton);
        QCOMPARE(opened_.size(), std::size_t(3));
    }

    // A double-click on a list without rows fails with the list's index
    // error; nothing opens, and the request list keeps its rows.
    void anEmptyListShowsTheIndexError_data()
    {
        QTest::addColumn<QString>("list");
        QTest::newRow("page list") << "pageList";
        QTest::newRow("broken-link pages") << "brokenLinkPages";
        QTest::newRow("unrequested pages") << "unrequestedPages";
        QTest::newRow("request list") << "requestList";
        QTest::newRow("search column, request list empty") << "searchColumn";
    }
    void anEmptyListShowsTheIndexError()
    {
        QFETCH(QString, list);
        const QString received = useEditorStandIn();
        base_->write("site/empty/readme.txt", "");
        open({{"index.html", "<a href=\"x.html\">x</a>"}});
        QTest::mouseClick(window_->controls().investigateButton, Qt::LeftButton);
        Workspace &ws = window_->workspace();
        if (list == "requestList" || list == "searchColumn")
            QTest::mouseClick(window_->controls().clearRequestsButton, Qt::LeftButton);
        const std::size_t requests = ws.requestList().size();
        // Into the subfolder: no pages, the result lists emptied, the request
        // list kept.
        ui::FolderTree *folderTree = window_->controls().folderTree;
        const int sub = folderRow(folderTree, "empty");
        QTest::mouseClick(folderTree->viewport(), Qt::LeftButton, {},
                          folderTree->visualItemRect(folderTree->item(sub)).center());
        QTest::keyClick(folderTree, Qt::Key_Return);
        QCOMPARE(str(ws.baseFolder()), site("empty"));
        QCOMPARE(ws.requestList().size(), requests);
        recorder_.clear();

        auto *view = window_->findChild<QListView *>(list);
        QCOMPARE(view->model()->rowCount(), 0);
        doubleClickAt(view, QPoint(10, 10));

        QCOMPARE(recorder_.requests.size(), std::size_t(1));
        QCOMPARE(recorder_.requests[0].kind, DialogKind::StandardError);
        QCOMPARE(recorder_.requests[0].text, QStringLiteral("リストのインデックスが範囲を超えています (-1)"));
        QCOMPARE(ws.requestList().size(), requests);
        QVERIFY(opened_.empty());
        QTest::qWait(200); // time enough for an editor that was wrongly started
        QVERIFY(!QFileInfo::exists(received));
    }

private:
    // The folder holding the site, and the site or a file in it.
    QString base() const { return base_->path(); }
    QString site(const QString &name = {}) const
    {
        return base_->path(name.isEmpty() ? QStringLiteral("site") : "site/" + name);
    }

    void open(const std::vector<std::pair<QByteArray, QByteArray>> &files)
    {
        for (const auto &[name, bytes] : files)
            base_->write("site/" + QString::fromUtf8(name), bytes);
        window_ = openWindow(site());
        QVERIFY(window_);
        recorder_.clear();
    }

    QStringList selectedPages() const
    {
        QStringList out;
        const RowList &pages = window_->workspace().pageList();
        for (std::size_t i = 0; i < pages.size(); ++i)
            if (pages.isSelected(i))
                out.append(str(pages.row(i)));
        return out;
    }

    QStringList messages() const
    {
        QStringList out;
        for (const ui::DialogRequest &request : recorder_.requests)
            if (request.kind == DialogKind::Message)
                out.append(request.text);
        return out;
    }

    // The editor is a script that writes down the arguments it received.
    QString useEditorStandIn()
    {
        const QString script = base() + "/editor";
        const QString received = base() + "/received";
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write("#!/bin/sh\n"
                   "out=\"$(dirname \"$0\")/received\"\n"
                   "{ echo \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$out.part\"\n"
                   "mv \"$out.part\" \"$out\"\n");
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        platform::setEditorPathForTests(script);
        return received;
    }

    // The count and the arguments the editor received, once it wrote them.
    static QStringList editorArguments(const QString &received)
    {
        if (!QTest::qWaitFor([&] { return QFileInfo::exists(received); }, 20000))
            return {};
        QStringList lines = QString::fromUtf8(contents(received)).split(u'\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        QFile::remove(received);
        return lines;
    }

    DialogRecorder recorder_;
    std::unique_ptr<ui::MainWindow> window_;
    std::unique_ptr<Site> base_;
    std::vector<QUrl> opened_;
};

QTEST_MAIN(FileOpsWindowTest)
#include "fileops_window_test.moc"
