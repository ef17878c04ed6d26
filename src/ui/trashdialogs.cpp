#include "ui/trashdialogs.h"

#include "ui/dialogs.h"
#include "ui/texts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>

#include <memory>
#include <utility>

namespace tavlori::ui {

namespace {

// A single item moves at once; a progress window is for several.
constexpr std::size_t kProgressFrom = 2;
// The window appears only when the moves take longer than this.
constexpr int kProgressDelayMs = 500;

} // namespace

TrashDialogs::TrashDialogs(QWidget *parent, Clock clock)
    : parent_(parent)
    , clock_(std::move(clock))
{
    if (!clock_) {
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        clock_ = [started] { return started->elapsed(); };
    }
}

TrashDialogs::~TrashDialogs() = default;

QString TrashDialogs::title()
{
    return texts::trashTitle();
}

bool TrashDialogs::confirm(const std::vector<std::string> &paths)
{
    return ui::confirm(parent_, title(), texts::trashConfirmation(paths));
}

bool TrashDialogs::progress(std::size_t done, std::size_t total, const std::string &item)
{
    if (total < kProgressFrom)
        return true;
    if (done >= total) {
        progress_.reset();
        return true;
    }
    const qint64 now = clock_();
    const bool opening = !progress_;
    if (opening) {
        progress_ = std::make_unique<QProgressDialog>(QString(), texts::cancel(), 0, static_cast<int>(total),
                                                      parent_);
        progress_->setWindowTitle(title());
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setMinimumDuration(kProgressDelayMs);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
    }
    shownItem_ = false;
    item_ = item;
    done_ = done;
    total_ = total;
    if (opening || now - progressShownAt_ >= kProgressRepaintMs) {
        progressShownAt_ = now;
        const bool shown = progress_->isVisible();
        showItem();
        // Until it shows it processes none: the window behind it still
        // repaints, and input waits, as it would behind the shown dialog.
        if (!shown && !progress_->isVisible())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    } else if (progress_->isVisible()) {
        // Between two updates the window shows what it shows; its events are
        // still processed, as setValue does, for the cancel button.
        QCoreApplication::processEvents();
    }
    if (progress_->wasCanceled()) {
        progress_.reset();
        return false;
    }
    return true;
}

void TrashDialogs::showItem()
{
    shownItem_ = true;
    progress_->setLabelText(texts::trashProgress(item_, done_, total_));
    // A window-modal progress dialog processes pending events in setValue,
    // which is where its cancel button is seen.
    progress_->setValue(static_cast<int>(done_));
}

void TrashDialogs::error(const std::string &path, platform::TrashOutcome outcome, const std::string &detail)
{
    // The progress window stands behind the error at the item that failed.
    if (progress_ && !shownItem_)
        showItem();
    // Over the progress window when there is one: the error stands above it,
    // also where no window manager keeps dialogs above their owners, and the
    // progress window waits behind the modal error until it is closed.
    QWidget *owner = progress_ ? static_cast<QWidget *>(progress_.get()) : parent_;
    showDialog(owner, {DialogKind::Message,
                       title(),
                       texts::trashFailure(path, outcome, detail),
                       QMessageBox::Warning,
                       {texts::ok()},
                       0});
}

} // namespace tavlori::ui
