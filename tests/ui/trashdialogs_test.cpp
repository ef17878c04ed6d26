// The trash's dialogs as windows: what each asks and how its answer
// reaches the trash job.
#include "ui/dialogs.h"
#include "ui/trashdialogs.h"

#include <QProgressDialog>
#include <QTest>
#include <QWidget>

#include <string>
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
        QCOMPARE(dialogs.confirm({"/srv/web/x.html"}), answer);
        QCOMPARE(requests.size(), std::size_t(1));
        QCOMPARE(requests[0].kind, ui::DialogKind::Confirm);
        QCOMPARE(requests[0].text, QStringLiteral("'x.html' をごみ箱に移動しますか?"));
        QCOMPARE(requests[0].buttons,
                 (QStringList{QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)")}));
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
        dialogs.error("/srv/web/x.html", platform::TrashOutcome::NotFound, "");
        QCOMPARE(requests.size(), std::size_t(1));
        QCOMPARE(requests[0].icon, QMessageBox::Warning);
        QCOMPARE(requests[0].text,
                 QStringLiteral("'x.html' をごみ箱に移動できませんでした。 項目が見つかりません。"));
        QCOMPARE(requests[0].buttons, QStringList{QStringLiteral("OK")});
    }

    void progressWindowOnlyForSeveralItemsAndItsCancelStops()
    {
        QWidget owner;
        // Each item takes long enough for the window to show it.
        qint64 now = 0;
        ui::TrashDialogs dialogs(&owner, [&now] { return now += ui::TrashDialogs::kProgressRepaintMs; });
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

    void progressWindowFollowsTheItemsAtMostEveryFiftyMs_data()
    {
        // Items moved one after another, each taking `step` ms on the clock.
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("updates");
        QTest::newRow("1 ms per item") << 1000 << 1 << 20; // items 0, 50, 100, ..., 950
        QTest::newRow("7 ms per item") << 300 << 7 << 38;  // every 8th item (56 ms)
        QTest::newRow("50 ms per item") << 40 << 50 << 40; // every item
        QTest::newRow("all at once") << 500 << 0 << 1;     // only the first
    }
    void progressWindowFollowsTheItemsAtMostEveryFiftyMs()
    {
        QFETCH(int, items);
        QFETCH(int, step);
        QFETCH(int, updates);
        qint64 now = 1000;
        QWidget owner;
        ui::TrashDialogs dialogs(&owner, [&now] { return now; });
        QProgressDialog *window = nullptr;
        QString label;
        int value = -1;
        int changes = 0;
        qint64 lastChange = 0;
        for (int i = 0; i < items; ++i) {
            const std::string item = "/site/p" + std::to_string(i) + ".html";
            QVERIFY(dialogs.progress(i, items, item));
            window = owner.findChild<QProgressDialog *>();
            QVERIFY(window != nullptr);
            if (window->labelText() != label || window->value() != value) {
                // Label and bar change together, and show the item moved now.
                QVERIFY(window->labelText() != label);
                QCOMPARE(window->value(), i);
                QVERIFY(window->labelText().contains(QStringLiteral("p%1.html").arg(i)));
                if (changes > 0)
                    QVERIFY2(now - lastChange >= ui::TrashDialogs::kProgressRepaintMs,
                             qPrintable(QStringLiteral("changed again after %1 ms").arg(now - lastChange)));
                label = window->labelText();
                value = window->value();
                lastChange = now;
                ++changes;
            }
            now += step;
        }
        QCOMPARE(changes, updates);
        QVERIFY(dialogs.progress(items, items, ""));
        QVERIFY(owner.findChild<QProgressDialog *>() == nullptr);
    }

    void cancelIsSeenBetweenTwoUpdates()
    {
        qint64 now = 0;
        QWidget owner;
        ui::TrashDialogs dialogs(&owner, [&now] { return now; });
        QVERIFY(dialogs.progress(0, 10, "/site/a.html"));
        auto *window = owner.findChild<QProgressDialog *>();
        QVERIFY(window != nullptr);
        now += 1;
        QVERIFY(dialogs.progress(1, 10, "/site/b.html"));
        QCOMPARE(window->value(), 0); // not updated yet
        window->cancel();
        now += 1;
        QVERIFY(!dialogs.progress(2, 10, "/site/c.html"));
        QVERIFY(owner.findChild<QProgressDialog *>() == nullptr);
    }

    void errorBetweenTwoUpdatesShowsTheItemThatFailed()
    {
        qint64 now = 0;
        QWidget owner;
        ui::TrashDialogs dialogs(&owner, [&now] { return now; });
        QWidget *errorOwner = nullptr;
        int valueAtError = -1;
        QString labelAtError;
        ui::setDialogHook([&](const ui::DialogRequest &request) {
            errorOwner = request.parent;
            if (auto *progress = qobject_cast<QProgressDialog *>(request.parent)) {
                valueAtError = progress->value();
                labelAtError = progress->labelText();
            }
            return 0;
        });
        QVERIFY(dialogs.progress(0, 5, "/site/a.html"));
        now += 1;
        QVERIFY(dialogs.progress(1, 5, "/site/b.html"));
        dialogs.error("/site/b.html", platform::TrashOutcome::NotFound, "");
        QCOMPARE(errorOwner, static_cast<QWidget *>(owner.findChild<QProgressDialog *>()));
        QCOMPARE(valueAtError, 1);
        QCOMPARE(labelAtError, QStringLiteral("b.html をごみ箱に移動しています (2 / 5)"));
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
