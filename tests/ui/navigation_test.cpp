// Choosing the base folder: the folder tree's rows, opening a row by
// double-click (the change handler runs twice, nested) or by Enter (once),
// a folder that cannot be entered, and the volume selector.
#include "uitestsupport.h"

#include "ui/foldertree.h"
#include "ui/volumeselector.h"

#include <QApplication>
#include <QListView>

#include <filesystem>

using namespace tavlori;
using namespace tavlori::test;
using ui::DialogKind;

namespace {

QString currentDirectory()
{
    return QString::fromStdString(std::filesystem::current_path().string());
}

QPoint centreOf(ui::FolderTree *list, int row)
{
    return list->visualItemRect(list->item(row)).center();
}

enum class Action { DoubleClick, Enter, Click };

void act(ui::FolderTree *list, Action action, int row)
{
    QWidget *viewport = list->viewport();
    switch (action) {
    case Action::DoubleClick:
        QTest::mouseClick(viewport, Qt::LeftButton, {}, centreOf(list, row));
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, centreOf(list, row));
        break;
    case Action::Enter:
        QTest::mouseClick(viewport, Qt::LeftButton, {}, centreOf(list, row));
        QTest::keyClick(list, Qt::Key_Return);
        break;
    case Action::Click:
        QTest::mouseClick(viewport, Qt::LeftButton, {}, centreOf(list, row));
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Action)

class NavigationTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        site_ = std::make_unique<Site>();
        // Each folder holds a page that searches find and one whose file is
        // gone, so every search pass reports one missing page.
        for (const QString &folder : {QString(), QStringLiteral("sub/")}) {
            site_->write(folder + "a.html", "x &&& y");
            QVERIFY(QFile::link(site_->path(folder + "nowhere"), site_->path(folder + "ghost.html")));
        }
        site_->mkdir("Beta");
        site_->mkdir("alpha");
        site_->mkdir(".hidden");
        site_->write("notafolder.txt", "");
        window_ = openWindow(site_->path());
        QVERIFY(window_);
        list_ = window_->controls().folderTree;
        recorder_.clear();
    }
    void cleanup()
    {
        window_.reset();
        QDir::setCurrent(QDir::rootPath());
        site_.reset();
    }

    void rowsShowThePathAndTheSubfolders()
    {
        QStringList expected{"/"};
        expected += site_->path().split('/', Qt::SkipEmptyParts);
        const int own = int(expected.size()) - 1;
        expected += QStringList{"alpha", "Beta", "sub"};
        QStringList shown, paths;
        for (int i = 0; i < list_->count(); ++i) {
            shown << list_->item(i)->text();
            paths << list_->rowPath(i);
        }
        QCOMPARE(shown, expected);
        QCOMPARE(list_->directoryRow(), own);
        QCOMPARE(list_->currentRow(), own);
        QCOMPARE(paths.first(), QStringLiteral("/"));
        QCOMPARE(paths.at(own), site_->path());
        QCOMPARE(paths.at(own - 1), QFileInfo(site_->path()).absolutePath());
        QCOMPARE(paths.last(), site_->path("sub"));
        QVERIFY(!list_->item(0)->icon().isNull());
    }

    // How many search passes one action of the user runs.
    void openingARow_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("folder"); // "" for the site itself
        QTest::addColumn<int>("passes");
        QTest::newRow("double-click another folder") << Action::DoubleClick << "sub"
                                                     << "sub" << 2;
        QTest::newRow("Enter on another folder") << Action::Enter << "sub"
                                                 << "sub" << 1;
        QTest::newRow("double-click the folder itself") << Action::DoubleClick << ""
                                                        << "" << 1;
        QTest::newRow("Enter on the folder itself") << Action::Enter << ""
                                                    << "" << 0;
        QTest::newRow("single click") << Action::Click << "sub"
                                      << "" << 0;
    }
    void openingARow()
    {
        QFETCH(Action, action);
        QFETCH(QString, row);
        QFETCH(QString, folder);
        QFETCH(int, passes);
        const int target = row.isEmpty() ? list_->directoryRow() : folderRow(list_, row);
        QVERIFY(target >= 0);
        act(list_, action, target);
        QApplication::processEvents();

        const QString expected = folder.isEmpty() ? site_->path() : site_->path(folder);
        Workspace &ws = window_->workspace();
        QCOMPARE(str(ws.baseFolder()), expected);
        QCOMPARE(currentDirectory(), expected);
        QCOMPARE(list_->directory(), expected);
        // Every pass reports the missing page once, with its beep.
        QCOMPARE(recorder_.count(DialogKind::MissingPage), passes);
        QCOMPARE(recorder_.beeps, passes);
        if (passes > 0) {
            QCOMPARE(recorder_.requests.front().text, QStringLiteral("ghost.htmlがありません。"));
            QCOMPARE(rows(ws.pageList()), (QStringList{"a.html", "ghost.html"}));
            QCOMPARE(ws.pageList().selectedCount(), std::size_t(2));
            QVERIFY(ws.searchColumn()[0] == SearchHit::Found);
            QCOMPARE(list_->currentRow(), list_->directoryRow());
        } else {
            QVERIFY(ws.searchColumn().empty()); // no pass ran since start-up
        }
        QCOMPARE(recorder_.count(DialogKind::StandardError), 0);
    }

    void aFolderThatCannotBeEnteredChangesNothing_data()
    {
        QTest::addColumn<Action>("action");
        QTest::newRow("double-click") << Action::DoubleClick;
        QTest::newRow("Enter") << Action::Enter;
    }
    void aFolderThatCannotBeEnteredChangesNothing()
    {
        QFETCH(Action, action);
        const int row = folderRow(list_, "alpha");
        QVERIFY(QDir(site_->path("alpha")).removeRecursively());
        const int rowsBefore = list_->count();
        act(list_, action, row);
        QApplication::processEvents();
        QCOMPARE(recorder_.count(DialogKind::StandardError), 1);
        QCOMPARE(recorder_.requests.front().text, QStringLiteral("指定されたファイルが見つかりません."));
        QCOMPARE(recorder_.requests.front().title, ui::applicationTitle());
        QCOMPARE(str(window_->workspace().baseFolder()), site_->path());
        QCOMPARE(currentDirectory(), site_->path());
        QCOMPARE(list_->directory(), site_->path());
        QCOMPARE(list_->count(), rowsBefore);
        QCOMPARE(recorder_.count(DialogKind::MissingPage), 0);
    }

    // The volume selector. This machine may have one volume only, so the
    // selector is given a second "volume": a temporary folder standing in for
    // a volume root. Choosing it runs the real chain: selector, directory
    // list, change of folder.
    void choosingAnotherVolumeEntersItsRoot()
    {
        Site other;
        other.write("index.html", "&&&");
        ui::VolumeSelector *drives = window_->controls().volumeSelector;
        drives->setVolumes({QStringLiteral("/"), other.path()});
        QCOMPARE(drives->volumeRoot(), QStringLiteral("/"));
        QCOMPARE(drives->volumeOf(site_->path()), QStringLiteral("/"));
        QCOMPARE(drives->volumeOf(other.path() + "/deep/er"), other.path());

        drives->setCurrentIndex(drives->findText(other.path()));
        Workspace &ws = window_->workspace();
        QCOMPARE(str(ws.baseFolder()), other.path());
        QCOMPARE(currentDirectory(), other.path());
        QCOMPARE(list_->directory(), other.path());
        QCOMPARE(rows(ws.pageList()), QStringList{"index.html"});
        QCOMPARE(rows(ws.searchColumn()), QStringList{"found"}); // one pass
        QCOMPARE(recorder_.requests.size(), std::size_t(0));

        // The volume shown already: nothing happens.
        ws.clearSearchColumn();
        window_->changeVolume();
        QVERIFY(ws.searchColumn().empty());
        QCOMPARE(str(ws.baseFolder()), other.path());

        // A folder of the site lies on "/": the selector follows the folder tree.
        list_->setCurrentRow(0);
        QTest::keyClick(list_, Qt::Key_Return);
        QCOMPARE(list_->directory(), QStringLiteral("/"));
        QCOMPARE(drives->volumeRoot(), QStringLiteral("/"));
    }

    void aVolumeThatCannotBeEnteredChangesNothing()
    {
        ui::VolumeSelector *drives = window_->controls().volumeSelector;
        const QString gone = site_->path("gone-volume");
        drives->setVolumes({QStringLiteral("/"), gone});
        drives->setCurrentIndex(1);
        QCOMPARE(recorder_.count(DialogKind::StandardError), 1);
        QCOMPARE(str(window_->workspace().baseFolder()), site_->path());
        QCOMPARE(list_->directory(), site_->path());
        QCOMPARE(currentDirectory(), site_->path());
        QCOMPARE(drives->volumeRoot(), gone); // the selector goes on showing the choice
    }

private:
    DialogRecorder recorder_;
    std::unique_ptr<Site> site_;
    std::unique_ptr<ui::MainWindow> window_;
    ui::FolderTree *list_ = nullptr;
};

QTEST_MAIN(NavigationTest)
#include "navigation_test.moc"
