#include "ui/listviewevents.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMouseEvent>

#include <utility>

namespace tavlori::ui {
namespace {

MouseButtonsHook &mouseButtonsHook()
{
    static MouseButtonsHook hook;
    return hook;
}

} // namespace

void setMouseButtonsHook(MouseButtonsHook hook)
{
    mouseButtonsHook() = std::move(hook);
}

Qt::MouseButtons heldMouseButtons()
{
    if (mouseButtonsHook())
        return mouseButtonsHook()();
    return QGuiApplication::mouseButtons();
}

ListViewEvents::ListViewEvents(QAbstractItemView *view)
    : QObject(view)
    , view_(view)
{
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    // Only changes made while the user's input is being handled count.
    const auto count = [this] {
        if (delivering_)
            ++changes_;
    };
    QItemSelectionModel *selection = view->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this, count);
    connect(selection, &QItemSelectionModel::currentChanged, this, count);
}

void ListViewEvents::deliver(QObject *watched, QEvent *event)
{
    delivering_ = true;
    QCoreApplication::sendEvent(watched, event);
    delivering_ = false;
    // Handed on already; it must not travel to the parents a second time.
    event->accept();
}

bool ListViewEvents::eventFilter(QObject *watched, QEvent *event)
{
    if (delivering_)
        return false;
    // The filter watches only the view and its viewport. The view is not asked
    // for its viewport: the viewport still sends events while the view is
    // being destroyed, when the view is no longer a scroll area.
    const bool onViewport = watched != view_;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (!onViewport)
            return false;
        // One click is one edit, however many changes its press, moves and
        // release make.
        pressedAt_ = changes_;
        deliver(watched, event);
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // Below the last row too: the commands open the focused row, whatever lies under the pointer.
        if (event->type() == QEvent::MouseButtonDblClick && mouse->button() == Qt::LeftButton)
            emit listDoubleClicked();
        return true;
    }
    case QEvent::MouseMove:
        if (!onViewport)
            return false;
        deliver(watched, event);
        return true;
    case QEvent::MouseButtonRelease:
        if (!onViewport)
            return false;
        deliver(watched, event);
        if (changes_ != pressedAt_) {
            pressedAt_ = changes_;
            emit selectionEdited();
        }
        return true;
    case QEvent::KeyPress: {
        if (onViewport)
            return false;
        const std::uint64_t before = changes_;
        deliver(watched, event);
        if (changes_ != before) {
            pressedAt_ = changes_;
            emit selectionEdited();
        }
        return true;
    }
    default:
        return false;
    }
}

} // namespace tavlori::ui
