#include "ui/dialogs.h"

#include "analysis/workspace.h"
#include "ui/texts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

namespace tavlori::ui {
namespace {

DialogHook &hook()
{
    static DialogHook h;
    return h;
}

BeepHook &beepHook()
{
    static BeepHook h;
    return h;
}

} // namespace

void setBeepHook(BeepHook h)
{
    beepHook() = std::move(h);
}

void beep()
{
    if (beepHook())
        beepHook()();
    else
        QApplication::beep();
}

void setDialogHook(DialogHook h)
{
    hook() = std::move(h);
}

int showDialog(QWidget *parent, const DialogRequest &request)
{
    if (hook()) {
        DialogRequest asked = request;
        asked.parent = parent;
        return hook()(asked);
    }

    QMessageBox box(request.icon, request.title, request.text, QMessageBox::NoButton, parent);
    QList<QAbstractButton *> buttons;
    for (int i = 0; i < request.buttons.size(); ++i) {
        // The first button accepts, the others reject; the result is read by index.
        auto role = i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
        QPushButton *button = box.addButton(request.buttons.at(i), role);
        buttons.append(button);
        if (i == request.defaultButton)
            box.setDefaultButton(button);
    }
    if (!buttons.isEmpty())
        box.setEscapeButton(buttons.size() == 1 ? buttons.first() : buttons.last());
    box.exec();
    return buttons.indexOf(box.clickedButton());
}

QString applicationTitle()
{
    return texts::applicationTitle();
}

void standardError(QWidget *parent, const QString &messageText)
{
    const std::string text = standardErrorText(messageText.toStdString());
    showDialog(parent, {DialogKind::StandardError,
                        applicationTitle(),
                        QString::fromStdString(text),
                        QMessageBox::Critical,
                        {texts::ok()},
                        0});
}

void missingPage(QWidget *parent, const QString &name)
{
    showDialog(parent, {DialogKind::MissingPage,
                        texts::errorTitle(),
                        texts::missingPage(name),
                        QMessageBox::Critical,
                        {texts::yes()},
                        0});
}

void message(QWidget *parent, const QString &text)
{
    showDialog(parent,
               {DialogKind::Message, applicationTitle(), text, QMessageBox::NoIcon, {texts::ok()}, 0});
}

bool confirm(QWidget *parent, const QString &title, const QString &text)
{
    return showDialog(
               parent,
               {DialogKind::Confirm, title, text, QMessageBox::Question, {texts::yes(), texts::no()}, 0})
           == 0;
}

} // namespace tavlori::ui
