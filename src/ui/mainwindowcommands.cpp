#include "ui/mainwindow.h"

#include "ui/dialogs.h"
#include "ui/texts.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QTimer>

#include <exception>
#include <limits>
#include <string>
#include <utility>

// How the window runs a command of the engine: a failure ends it and is shown
// once, the window repaints while it runs, and the user's input waits.

namespace tavlori::ui {

// --- commands ---------------------------------------------------------------

void MainWindow::runCommand(const std::function<void()> &command)
{
    ++depth_;
    try {
        command();
        rethrowNested();
    } catch (const std::exception &e) {
        if (depth_ > 1) {
            nestedError_ = std::current_exception();
        } else {
            syncViews();
            const auto *failure = dynamic_cast<const CommandError *>(&e);
            reportFailure(failure ? texts::failure(failure->failure()) : QString::fromUtf8(e.what()));
        }
    }
    if (--depth_ == 0)
        endCommand();
}

void MainWindow::rethrowNested()
{
    if (nestedError_)
        std::rethrow_exception(std::exchange(nestedError_, nullptr));
}

void MainWindow::reportFailure(const QString &message)
{
    standardError(this, message);
}

void MainWindow::endCommand()
{
    ui_->progressBar->hide();
    ui_->progressText->hide();
    syncViews();
    if (closeRequested_)
        QTimer::singleShot(0, this, &QWidget::close);
}

// --- the engine's events ---------------------------------------------------

void MainWindow::pageMissing(const std::string &name)
{
    ui::beep();
    syncViews();
    ui::missingPage(this, QString::fromStdString(name));
}

void MainWindow::reached(Step step)
{
    switch (step) {
    case Step::PageListRead:
    case Step::UnrequestedPagesCleared:
    case Step::UnrequestedPagesFound:
        processMessages();
        break;
    case Step::LinkPassFinished:
        // The lists and the progress strip settle before the unrequested
        // pages are sought.
        processMessages();
        processMessages();
        break;
    case Step::InvestigationFinished:
        processMessages();
        ui::beep();
        break;
    }
}

void MainWindow::processMessages()
{
    // A list view lays out all of its rows again whenever rows are appended,
    // so the lists catch up with a running command only every so often; the
    // progress strip and everything else repaint on every call.
    if (!listsClock_.isValid() || listsClock_.elapsed() >= kListsCatchUpMs) {
        syncViews();
        listsClock_.start();
    }
    // The window repaints; the user's input waits until the command has ended
    // instead of running another command inside this one.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::progress(Phase phase, std::size_t done, std::size_t total)
{
    // A folder's entries come without a total: the window only repaints.
    if (phase == Phase::ListingPages) {
        processMessages();
        return;
    }
    const bool starting = !ui_->progressBar->isVisible();
    if (!starting && progressClock_.isValid() && progressClock_.elapsed() < kProgressRepaintMs
        && done < total)
        return;
    progressClock_.start();
    const int limit = std::numeric_limits<int>::max();
    ui_->progressBar->setRange(0, static_cast<int>(qMin<std::size_t>(total, limit)));
    ui_->progressBar->setValue(static_cast<int>(qMin<std::size_t>(done, limit)));
    ui_->progressText->setText(texts::progress(done, total));
    if (starting) {
        ui_->progressBar->show();
        ui_->progressText->show();
    }
    processMessages();
}

} // namespace tavlori::ui
