#pragma once
// The dialogs of the trash, shown as windows: the confirmation, a
// progress display for many items, and the error for an item that could not
// be moved. All go through ui::showDialog, so tests answer them with its hook.
#include "platform/trash.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QProgressDialog;
class QWidget;

namespace tavlori::ui {

class TrashDialogs final : public platform::TrashUi {
public:
    // Milliseconds from some fixed start, never going back.
    using Clock = std::function<qint64()>;

    // The dialogs belong to `parent` (may be null). `clock` times the
    // progress window's updates; without one, the system's monotonic clock.
    explicit TrashDialogs(QWidget *parent, Clock clock = {});
    ~TrashDialogs() override;

    // Names the one item, or counts the items; "はい(&Y)" (the default) and "いいえ(&N)".
    bool confirm(const std::vector<std::string> &paths) override;
    // A progress window for jobs of several items; it appears only when
    // the moves take a while. Its cancel button stops the job. Its label and
    // bar follow the items at most every kProgressRepaintMs, so that a job
    // of many small moves is not slowed by repainting them one by one.
    bool progress(std::size_t done, std::size_t total, const std::string &item) override;
    // A warning naming the item and the cause, with one OK button, owned by
    // the progress window while there is one.
    void error(const std::string &path, platform::TrashOutcome outcome, const std::string &detail) override;

    // The title of the three dialogs.
    static QString title();

    static constexpr qint64 kProgressRepaintMs = 50;

private:
    void showItem();

    QWidget *parent_;
    Clock clock_;
    std::unique_ptr<QProgressDialog> progress_;
    qint64 progressShownAt_ = 0; // when the label and bar last changed
    // The item being moved, and whether the progress window shows it.
    std::string item_;
    std::size_t done_ = 0;
    std::size_t total_ = 0;
    bool shownItem_ = false;
};

} // namespace tavlori::ui
