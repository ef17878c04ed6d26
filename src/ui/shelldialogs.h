#pragma once
// The dialogs of a trash request, shown as windows: the confirmation, a
// progress display for many items, and the error for an item that could not
// be moved. All go through ui::showDialog, so tests answer them with its hook.
#include "platform/shellfileop.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <string>

class QProgressDialog;
class QWidget;

namespace tavlori::ui {

class ShellDialogs final : public platform::ShellUi {
public:
    // The dialogs belong to `parent` (may be null).
    explicit ShellDialogs(QWidget *parent);
    ~ShellDialogs() override;

    // "はい(&Y)" (the default) and "いいえ(&N)".
    bool confirm(const std::string &text) override;
    // A progress window for requests of several items; it appears only when
    // the moves take a while. Its cancel button stops the request.
    bool progress(std::size_t done, std::size_t total, const std::string &item) override;
    // A warning naming the item, with one OK button, owned by the progress
    // window while there is one.
    void error(const std::string &text) override;

    // The title of the three dialogs.
    static QString title();

private:
    QWidget *parent_;
    std::unique_ptr<QProgressDialog> progress_;
};

} // namespace tavlori::ui
