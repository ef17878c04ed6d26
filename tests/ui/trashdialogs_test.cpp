// The trash's dialogs as windows: what each asks and how its answer
// reaches the trash job.
#include "ui/dialogs.h"
#include "ui/trashdialogs.h"

#include <QProgressDialog>
#include <QTest>
#include <QWidget>

#include <vector>

using namespace tavlori;

class TrashDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ui::setDialogHook({}); }

    void confirmationAsksYesOrNoWithYesAsDefault_data()
    {
        QTest::addColumn<int>("pressed");
        QTest::addColumn<bool>("answer");
        QTest::newRow("yes") << 0 << true;
        QTest::newRow("no") << 1 << false;
        QTest::newRow("closed") << -1 << false;
    }
    void confirmationAsksYesOrNoWithYesAsDefault()
    {
        QFETCH(int, pressed);
        QFETCH(bool, answer);
        std::vector<ui::DialogRequest> requests;
        ui::setDialogHook([&](const ui::DialogRequest &r) {
            requests.push_back(r);
            return pressed;
        });
        ui::TrashDialogs dialogs(nullptr);
        QCOMPARE(dialogs.confirm("'x.html' をごみ箱に移動しますか?"), answer);
        QCOMPARE(requests.size(), std::size_t(1));
        QCOMPARE(requests[0].kind, ui::DialogKind::Confirm);
        QCOMPARE(requests[0].text, QStringLiteral("'x.html' をごみ箱に移動しますか?"));
        QCOMPARE(requests[0].buttons, (QStringList{QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)")}));
        QCOMPARE(requests[0].defaultButton, 0);
    }

    void errorNamesTheItemWithAWarning()
    {
        std::vector<ui::DialogRequest> requests;
        ui::setDialogHook([&](const ui::DialogRequest &r) {
            requests.push_back(r);
            return 0;
        });
        ui::TrashDialogs dialogs(nullptr);
        dialogs.error("'x.html' をごみ箱に移動できませんでした。 項目が見つかりません。");
        QCOMPARE(requests.size(), std::size_t(1));
        QCOMPARE(requests[0].icon, QMessageBox::Warning);
        QCOMPARE(requests[0].text, QStringLiteral("'x.html' をごみ箱に移動できませんでした。 項目が見つかりません。"));
        QCOMPARE(requests[0].buttons, QStringList{QStringLiteral("OK")});
    }

    void progressWindowOnlyForSeveralItemsAndItsCancelStops()
    {
        QWidget owner;
        ui::TrashDialogs dialogs(&owner);
        QVERIFY(dialogs.progress(0, 1, "/site/a.html"));
        QVERIFY(owner.findChild<QProgressDialog *>() == nullptr);

        QVERIFY(dialogs.progress(0, 3, "/site/a.html"));
        auto *window = owner.findChild<QProgressDialog *>();
        QVERIFY(window != nullptr);
        QCOMPARE(window->maximum(), 3);
        QVERIFY(window->labelText().contains(QStringLiteral("a.html")));
        QVERIFY(dialogs.progress(1, 3, "/site/b.html"));
        QCOMPARE(window->value(), 1);

        window->cancel();
        QVERIFY(!dialogs.progress(2, 3, "/site/c.html"));
        QVERIFY(owner.findChild<QProgressDialog *>() == nullptr);
    }

    void progressWindowGoesAtTheEnd()
    {
        QWidget owner;
        ui::TrashDialogs dialogs(&owner);
        QVERIFY(dialogs.progress(0, 2, "/site/a.html"));
        QVERIFY(dialogs.progress(1, 2, "/site/b.html"));
        QVERIFY(dialogs.progress(2, 2, ""));
        QVERIFY(owner.findChild<QProgressDialog *>() == nullptr);
    }
};

QTEST_MAIN(TrashDialogsTest)
#include "trashdialogs_test.moc"
