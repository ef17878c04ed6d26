#include "ui/mainwindow.h"

#include "ui/dialogs.h"
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
            reportFailure(QString::fromUtf8(e.what()));
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

// --- Host -------------------------------------------------------------------

void MainWindow::beep()
{
    ui::beep();
}

void MainWindow::missingPage(const std::string &name)
{
    syncViews();
    ui::missingPage(this, QString::fromStdString(name));
}

void MainWindow::showError(const std::string &message)
{
    syncViews();
    standardError(this, QString::fromStdString(message));
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

void MainWindow::progress(std::size_t done, std::size_t total)
{
    const bool starting = !ui_->progressBar->isVisible();
    if (!starting && progressClock_.isValid() && progressClock_.elapsed() < kProgressRepaintMs && done < total)
        return;
    progressClock_.start();
    const int limit = std::numeric_limits<int>::max();
    ui_->progressBar->setRange(0, static_cast<int>(qMin<std::size_t>(total, limit)));
    ui_->progressBar->setValue(static_cast<int>(qMin<std::size_t>(done, limit)));
    ui_->progressText->setText(QStringLiteral("処理中 %1 / %2").arg(done).arg(total));
    if (starting) {
        ui_->progressBar->show();
        ui_->progressText->show();
    }
    processMessages();
}

} // namespace tavlori::ui
