// The window on a site whose pages link to each other only in spellings
// that browsers accept, with web addresses, anchors named like pages and two
// undeclared Japanese pages: a term typed through the input method, the
// folder entered from the folder tree, "リンク調査" clicked; the lists
// show exactly the real orphans and the real dead links.
#include "uitestsupport.h"

#include "../fixtures/browser_spellings_site.h"

#include "ui/foldertree.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListView>
#include <QToolButton>

using namespace tavlori;
using namespace tavlori::test;
namespace site = tavlori::test::browser_spellings;

namespace {

QStringList qrows(const std::vector<std::string> &texts)
{
    QStringList out;
    for (const std::string &t : texts)
        out.append(str(t));
    return out;
}

// What a list view shows, row by row.
QStringList shown(const QListView *view)
{
    QStringList out;
    for (int i = 0; i < view->model()->rowCount(); ++i)
        out.append(view->model()->index(i, 0).data().toString());
    return out;
}

} // namespace

class BrowserSpellingsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        window_.reset();
        QDir::setCurrent(QDir::rootPath());
        site_.reset();
    }

    void investigationListsExactlyTheRealOrphansAndDeadLinks()
    {
        site_ = std::make_unique<Site>();
        for (const site::File &file : site::makeFiles())
            site_->write("site/" + QString::fromStdString(file.name), QByteArray::fromStdString(file.bytes));
        // The window starts on the folder above the site, which holds no page.
        window_ = openWindow(site_->path());
        QVERIFY(window_);
        recorder_.clear();
        const Ui::MainWindow &c = window_->controls();
        Workspace &ws = window_->workspace();

        // The term as a Japanese input method commits it, over the field's text.
        QLineEdit *term = c.searchTerm;
        term->setFocus();
        term->selectAll();
        QInputMethodEvent commit;
        commit.setCommitString(str(site::kSearchTerm));
        QApplication::sendEvent(term, &commit);
        QCOMPARE(term->text(), str(site::kSearchTerm));
        QCOMPARE(ws.searchTerm(), site::kSearchTerm);

        // Into the site: its row highlighted, then Enter.
        ui::FolderTree *folders = c.folderTree;
        int row = -1;
        for (int i = folders->directoryRow() + 1; i < folders->count(); ++i) {
            if (folders->item(i)->text() == QStringLiteral("site"))
                row = i;
        }
        QVERIFY(row >= 0);
        QTest::mouseClick(folders->viewport(), Qt::LeftButton, {},
                          folders->visualItemRect(folders->item(row)).center());
        QTest::keyClick(folders, Qt::Key_Return);
        const QString base = site_->path("site");
        QCOMPARE(str(ws.baseFolder()), base);
        QCOMPARE(rows(ws.pageList()), qrows(site::kPages));
        const QStringList searched = qrows(site::searchColumnFoundIn("sjis.html"));
        QCOMPARE(rows(ws.searchColumn()), searched);

        QTest::mouseClick(c.investigateButton, Qt::LeftButton);
        QApplication::processEvents();

        QStringList brokenPages, brokenLinks;
        for (const auto &[page, link] : site::kBroken) {
            brokenPages.append(str(page));
            brokenLinks.append(str(link));
        }
        QStringList unrequested;
        for (const std::string &page : site::kUnrequested)
            unrequested.append(base + "/" + str(page));
        const QStringList requests = qrows(site::expectedRequests(base.toStdString()));

        QCOMPARE(rows(ws.searchColumn()), searched);
        QCOMPARE(rows(ws.requestList()), requests);
        QCOMPARE(pageRows(ws), brokenPages);
        QCOMPARE(linkRows(ws), brokenLinks);
        QCOMPARE(rows(ws.unrequestedPages()), unrequested);
        // What the window shows is what the lists hold, the unrequested
        // pages all selected for deletion and nothing else.
        QCOMPARE(shown(c.searchColumn), searched);
        QCOMPARE(shown(c.requestList), requests);
        QCOMPARE(shown(c.brokenLinkPages), brokenPages);
        QCOMPARE(shown(c.missingTargets), brokenLinks);
        QCOMPARE(shown(c.unrequestedPages), unrequested);
        QCOMPARE(c.unrequestedPages->selectionModel()->selectedRows().size(), unrequested.size());
        QCOMPARE(ws.unrequestedPages().selectedCount(), std::size_t(unrequested.size()));
        QCOMPARE(c.requestCount->text(), QString::number(requests.size()));
        QCOMPARE(c.unrequestedCount->text(), QString::number(unrequested.size()));
        QVERIFY(recorder_.requests.empty());
        QCOMPARE(recorder_.beeps, 1);
    }

private:
    DialogRecorder recorder_;
    std::unique_ptr<Site> site_;
    std::unique_ptr<ui::MainWindow> window_;
};

QTEST_MAIN(BrowserSpellingsWindowTest)
#include "browser_spellings_window_test.moc"
