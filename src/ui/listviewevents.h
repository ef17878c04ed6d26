#pragma once
// The user's input to the window's list views, as the window's handlers need
// it, apart from the handlers themselves.
#include <QObject>

#include <cstdint>
#include <functional>

class QAbstractItemView;
class QEvent;

namespace tavlori::ui {

// What the user does in a list view: a double-click of the left button
// anywhere in the list (below its last row too, where there is no row), and a
// click or key that changed the list's selection or focused row. Both signals
// come after the view has handled the input, so the focused row is the one the
// user just clicked; changes that the program makes to the view raise nothing.
class ListViewEvents : public QObject {
    Q_OBJECT
public:
    // Watches `view` and its viewport; belongs to `view`.
    explicit ListViewEvents(QAbstractItemView *view);

signals:
    void listDoubleClicked();
    void selectionEdited();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Hands `event` to the view now (this filter lets it through this time).
    void deliver(QObject *watched, QEvent *event);

    QAbstractItemView *view_;
    std::uint64_t changes_ = 0;   // selection and focus changes made by the user
    std::uint64_t pressedAt_ = 0; // changes_ when the mouse button went down
    bool delivering_ = false;
};

// The mouse buttons held down now, as the platform reports them. Tests set a
// hook to say which buttons are down.
using MouseButtonsHook = std::function<Qt::MouseButtons()>;
void setMouseButtonsHook(MouseButtonsHook hook);
Qt::MouseButtons heldMouseButtons();

} // namespace tavlori::ui
