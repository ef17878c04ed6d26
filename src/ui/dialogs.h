#pragma once
// Every modal dialog of the program goes through here, so that tests can
// answer dialogs through a hook instead of blocking on them.
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace tavlori::ui {

enum class DialogKind {
    StandardError, // a failure that stopped a command
    MissingPage,   // a page of the page list has no file behind it
    Message,       // a plain message with one OK button
    Confirm,       // a yes/no question
};

struct DialogRequest {
    DialogKind kind = DialogKind::Message;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;       // captions, left to right
    int defaultButton = 0;     // index into buttons
    QWidget *parent = nullptr; // the window the dialog stands over (set by showDialog)
};

// With a hook set, no dialog is shown: the hook gets each request and returns
// the index of the button "pressed" (-1 for closing the dialog otherwise).
using DialogHook = std::function<int(const DialogRequest &)>;
void setDialogHook(DialogHook hook);

// Shows the dialog modally (or asks the hook); returns the chosen button's index.
int showDialog(QWidget *parent, const DialogRequest &request);

// The program's name, the title of the standard error dialog.
QString applicationTitle();

// Standard error dialog: stop icon, one OK button, titled with the program's
// name, the message completed by the "." rule.
void standardError(QWidget *parent, const QString &message);
// "エラー", error icon, `name` followed by "がありません。", one "はい(&Y)" button.
void missingPage(QWidget *parent, const QString &name);
// A plain message with one OK button.
void message(QWidget *parent, const QString &text);
// A question with "はい(&Y)" (the default) and "いいえ(&N)"; true for yes.
bool confirm(QWidget *parent, const QString &title, const QString &text);

// The system's default sound. With a hook set, the hook is called instead.
using BeepHook = std::function<void()>;
void setBeepHook(BeepHook hook);
void beep();

} // namespace tavlori::ui
