// The sentences the window makes of failures and of the trash's outcomes,
// and the agreement of the two programs on the texts both show.
#include "report/reporttexts.h"
#include "ui/texts.h"

#include <QTest>

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

using namespace tavlori;

namespace {

Failure failureOf(FailureCause cause, std::string path = {}, std::string program = {},
                  std::string reason = {})
{
    Failure failure;
    failure.cause = cause;
    failure.path = std::move(path);
    failure.program = std::move(program);
    failure.reason = std::move(reason);
    return failure;
}

} // namespace

class TextsTest : public QObject {
    Q_OBJECT

private slots:
    void failureIsWorded_data()
    {
        QTest::addColumn<int>("cause");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, FailureCause cause, const char *path, const char *program,
                            const char *reason, const QString &text) {
            QTest::newRow(name) << static_cast<int>(cause) << QString::fromUtf8(path)
                                << QString::fromUtf8(program) << QString::fromUtf8(reason) << text;
        };
        row("editor missing", FailureCause::EditorMissing, "/web/a.htm", "/usr/bin/ed", "",
            QStringLiteral("エディタ /usr/bin/ed で /web/a.htm を開けません。 プログラムが見つかりません "));
        row("editor not executable", FailureCause::EditorNotExecutable, "/web/a.htm", "/opt", "",
            QStringLiteral("エディタ /opt で /web/a.htm を開けません。 プログラムを実行できません "));
        row("editor not started", FailureCause::EditorNotStarted, "/web/a.htm", "/usr/bin/ed",
            "Resource error",
            QStringLiteral("エディタ /usr/bin/ed で /web/a.htm を開けません。 Resource error "));
        row("browser", FailureCause::BrowserNotStarted, "http://example.com/a.html", "", "",
            QStringLiteral("既定のプログラムで http://example.com/a.html を開けません。 "
                           "ウェブブラウザを起動できません "));
        row("file missing", FailureCause::FileMissing, "/web/gone.html", "", "",
            QStringLiteral("既定のプログラムで /web/gone.html を開けません。 ファイルが見つかりません "));
        row("no program", FailureCause::NoProgramForFile, "/web/old.html", "", "",
            QStringLiteral("既定のプログラムで /web/old.html を開けません。 "
                           "関連付けられたプログラムがないか、起動できません "));
    }
    void failureIsWorded()
    {
        QFETCH(int, cause);
        QFETCH(QString, path);
        QFETCH(QString, program);
        QFETCH(QString, reason);
        QFETCH(QString, text);
        const Failure failure = failureOf(static_cast<FailureCause>(cause), path.toStdString(),
                                          program.toStdString(), reason.toStdString());
        QCOMPARE(ui::texts::failure(failure), text);
    }

    // A page that cannot be read: the system's words for its error number,
    // or the refusal of what is not a regular file.
    void pageFailureIsWorded()
    {
        const QString denied = QString::fromStdString(std::generic_category().message(EACCES));
        const struct {
            std::string path;
            ReadFailure reason;
            QString text;
        } cases[] = {
            {"/web/a.htm", ReadFailure::system(EACCES),
             QStringLiteral("ファイル /web/a.htm は開けません。 ") + denied + u' '},
            {"/web/fifo.htm", ReadFailure::notRegularFile(),
             QStringLiteral("ファイル /web/fifo.htm は開けません。 通常のファイルではありません ")},
            // A path holding a placeholder is taken as it stands.
            {"/web/%1.htm", ReadFailure::notRegularFile(),
             QStringLiteral("ファイル /web/%1.htm は開けません。 通常のファイルではありません ")},
        };
        for (const auto &c : cases) {
            Failure failure = failureOf(FailureCause::PageUnreadable, c.path);
            failure.readFailure = c.reason;
            QCOMPARE(ui::texts::failure(failure), c.text);
        }
    }

    void missingRowNamesTheIndex()
    {
        Failure failure = failureOf(FailureCause::NoSuchRow);
        failure.row = -1;
        QCOMPARE(ui::texts::failure(failure),
                 QStringLiteral("リストのインデックスが範囲を超えています (-1)"));
    }

    void folderErrorNamesTheErrorNumber()
    {
        const struct {
            int number;
            QString text;
        } cases[] = {
            {ENOENT, QStringLiteral("指定されたファイルが見つかりません")},
            {EMFILE, QStringLiteral("開かれたファイルが多すぎます。")},
            {ENFILE, QStringLiteral("開かれたファイルが多すぎます。")},
            {EACCES, QStringLiteral("ファイルへのアクセスが拒否されました")},
            {EPERM, QStringLiteral("ファイルへのアクセスが拒否されました")},
            {ENOSPC, QStringLiteral("ディスクがいっぱいです")},
            {ENOTDIR, QStringLiteral("指定されたパスが見つかりません")},
            {EIO, QStringLiteral("I/O エラー %1").arg(EIO)},
            {12345, QStringLiteral("I/O エラー 12345")},
        };
        for (const auto &c : cases) {
            QCOMPARE(ui::texts::folderError(c.number), c.text);
            QCOMPARE(ui::texts::failure(Failure::folder("/web", c.number)), c.text);
        }
    }

    // tavlori-report words folder and page failures as the window does.
    void theReportWordsFailuresAsTheWindowDoes()
    {
        for (int number = 0; number < 200; ++number) {
            const Failure failure = Failure::folder("/web", number);
            QCOMPARE(QString::fromStdString(reporttexts::failure(failure)), ui::texts::failure(failure));
        }
        for (const ReadFailure reason :
             {ReadFailure::system(EISDIR), ReadFailure::system(ENOENT), ReadFailure::notRegularFile()}) {
            Failure page = failureOf(FailureCause::PageUnreadable, "/web/ä %1.htm");
            page.readFailure = reason;
            QCOMPARE(QString::fromStdString(reporttexts::failure(page)), ui::texts::failure(page));
        }
        QCOMPARE(QString::fromStdString(reporttexts::missingPage("ä.htm")),
                 ui::texts::missingPage(QStringLiteral("ä.htm")));
    }

    void trashConfirmationNamesTheItemOrCountsTheItems()
    {
        QCOMPARE(ui::texts::trashConfirmation({"/srv/web/x.html"}),
                 QStringLiteral("'x.html' をごみ箱に移動しますか?"));
        QCOMPARE(ui::texts::trashConfirmation({"D:\\web\\old"}),
                 QStringLiteral("'old' をごみ箱に移動しますか?"));
        QCOMPARE(ui::texts::trashConfirmation({"/a", "/b", "/c"}),
                 QStringLiteral("これら 3 個の項目をごみ箱に移動しますか?"));
    }

    void trashFailureNamesTheItemAndTheCause()
    {
        using platform::TrashOutcome;
        const struct {
            TrashOutcome outcome;
            std::string detail;
            QString text;
        } cases[] = {
            {TrashOutcome::NotFound, "",
             QStringLiteral("'x.html' をごみ箱に移動できませんでした。 項目が見つかりません。")},
            {TrashOutcome::PermissionDenied, "",
             QStringLiteral("'x.html' をごみ箱に移動できませんでした。 アクセスが拒否されました。")},
            {TrashOutcome::TrashUnavailable, "",
             QStringLiteral(
                 "'x.html' をごみ箱に移動できませんでした。 この項目を受け入れるごみ箱がありません。")},
            // Where no trash takes the item, the trash's own words follow.
            {TrashOutcome::TrashUnavailable, "no trash on /srv",
             QStringLiteral("'x.html' をごみ箱に移動できませんでした。 "
                            "この項目を受け入れるごみ箱がありません。 (no trash on /srv)")},
            {TrashOutcome::Cancelled, "",
             QStringLiteral("'x.html' をごみ箱に移動できませんでした。 操作は取り消されました。")},
        };
        for (const auto &c : cases)
            QCOMPARE(ui::texts::trashFailure("/srv/web/x.html", c.outcome, c.detail), c.text);
    }

    void trashProgressCountsFromOne()
    {
        QCOMPARE(ui::texts::trashProgress("/site/b.html", 1, 5),
                 QStringLiteral("b.html をごみ箱に移動しています (2 / 5)"));
        // An item's name holding a placeholder is shown as it stands.
        QCOMPARE(ui::texts::trashProgress("/site/%2.html", 0, 3),
                 QStringLiteral("%2.html をごみ箱に移動しています (1 / 3)"));
    }

    void movedPagesAreCounted()
    {
        QCOMPARE(ui::texts::pagesMoved(2, 2), QStringLiteral("2 件のファイルをゴミ箱に移動しました。"));
        QCOMPARE(ui::texts::pagesMoved(0, 3), QStringLiteral("ファイルの移動に失敗しました。"));
        QCOMPARE(ui::texts::pagesMoved(2, 3),
                 QStringLiteral("ファイルの移動に失敗しました。 (3 件中 2 件を移動しました)"));
    }
};

QTEST_MAIN(TextsTest)
#include "texts_test.moc"
