#include "ui/tform1.h"

#include "platform/deletecommands.h"
#include "platform/opener.h"
#include "platform/pagefiles.h"
#include "ui/anchors.h"
#include "ui/dialogs.h"
#include "ui/directorylistbox.h"
#include "ui/drivecombobox.h"
#include "ui/rowlistmodel.h"
#include "ui/shelldialogs.h"
#include "ui/treeimages.h"
#include "ui_tform1.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFont>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>

#include <filesystem>
#include <limits>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace tavlori::ui {
namespace {

MouseButtonsHook &mouseButtonsHook()
{
    static MouseButtonsHook hook;
    return hook;
}

const QString kFontFace = QStringLiteral("ＭＳ Ｐゴシック");

// The face the window is designed for, with the free Japanese Gothic faces
// that stand in for it where it is not installed.
void substituteFonts()
{
    static std::once_flag once;
    std::call_once(once, [] {
        QFont::insertSubstitutions(kFontFace, {QStringLiteral("IPAPGothic"),
                                               QStringLiteral("IPAGothic"),
                                               QStringLiteral("Noto Sans CJK JP")});
    });
}

QFont windowFont(int pixelSize)
{
    QFont font(kFontFace);
    font.setPixelSize(pixelSize);
    return font;
}

QString currentDirectory()
{
    std::error_code error;
    const std::filesystem::path path = std::filesystem::current_path(error);
    return error ? QStringLiteral("/") : QString::fromStdString(path.string());
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

// --- ListViewEvents -------------------------------------------------------------

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
        if (event->type() == QEvent::MouseButtonDblClick && mouse->button() == Qt::LeftButton)
            emit dblClick();
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

// --- TForm1 -----------------------------------------------------------------------

TForm1::TForm1(QWidget *parent)
    : QWidget(parent)
    , ui_(std::make_unique<Ui::TForm1>())
    , workspace_(*this, platform::pageFiles(), kNativeSeparator)
{
    ui_->setupUi(this);
    applyStyle();

    const std::pair<RowList *, QListView *> lists[] = {
        {&workspace_.FileListBox1, ui_->FileListBox1}, {&workspace_.ListBox1, ui_->ListBox1},
        {&workspace_.ListBox2, ui_->ListBox2},         {&workspace_.ListBox3, ui_->ListBox3},
        {&workspace_.ListBox4, ui_->ListBox4},         {&workspace_.ListBox5, ui_->ListBox5},
    };
    for (const auto &[rows, view] : lists) {
        auto *model = new RowListModel(*rows, this);
        model->attach(view);
        models_.append(model);
    }
    fileModel_ = models_.at(0);

    // A menu is a window of its own, so the layout file cannot hold it.
    popupMenu1_ = new QMenu(this);
    popupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    popupMenu1_->setFont(font());
    n1_ = popupMenu1_->addAction(QStringLiteral("フォルダの削除"));
    n1_->setObjectName(QStringLiteral("N1"));

    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QVariant anchors = child->property("anchors");
        if (!anchors.isValid())
            continue;
        // A label is as wide as its text at least, so a face wider than the
        // designed one does not cut the text off; it grows to the right.
        auto *label = qobject_cast<QLabel *>(child);
        const int minimumWidth = label ? label->sizeHint().width() : 0;
        anchored_.append({child, child->geometry(), parseAnchors(anchors.toString()),
                          minimumWidth});
    }

    // The drive selector, the directory list and the page list start on the
    // process's working directory.
    const QString start = currentDirectory();
    DriveComboBox *drives = ui_->DriveComboBox1;
    drives->setVolumes(DriveComboBox::mountedRoots());
    ui_->DirectoryListBox1->setVolumeOf([drives](const QString &path) {
        return drives->volumeOf(path);
    });
    ui_->DirectoryListBox1->setDirectory(start);
    showDrive();
    ui_->Edit1->setText(QString::fromStdString(workspace_.Edit1));
    workspace_.FileListDir = start.toStdString();
    try {
        workspace_.readPageList();
    } catch (const std::exception &e) {
        startupError_ = QString::fromUtf8(e.what());
    }
    syncViews();

    connectHandlers();
    ui_->Label4->installEventFilter(this);

    move(247, 105);
    resize(kDesignedSize);
}

TForm1::~TForm1()
{
    // QWidget's destructor closes the window, which takes the focus from the
    // directory list after this object's own part is gone; its exit signal
    // must no longer reach a handler of this class then.
    ui_->DirectoryListBox1->disconnect(this);
}

void TForm1::applyStyle()
{
    substituteFonts();
    setFont(windowFont(12));
    ui_->Label3->setFont(windowFont(20));
    setWindowIcon(programIcon());
    // The window's surface has the button face's colour.
    QPalette surface = palette();
    surface.setColor(QPalette::Window, surface.color(QPalette::Button));
    setPalette(surface);
    setAutoFillBackground(true);
    ui_->SpeedButton1->setIcon(QIcon(QPixmap::fromImage(bareTreeImage())));
    ui_->SpeedButton2->setIcon(QIcon(QPixmap::fromImage(fullTreeImage())));
}

void TForm1::connectHandlers()
{
    DirectoryListBox *directories = ui_->DirectoryListBox1;
    connect(directories, &DirectoryListBox::changed, this, &TForm1::showDrive);
    connect(directories, &DirectoryListBox::changed, this, &TForm1::DirectoryListBox1Change);
    connect(directories, &DirectoryListBox::dblClick, this, &TForm1::DirectoryListBox1Change);
    connect(directories, &DirectoryListBox::mouseDown, this, &TForm1::DirectoryListBox1MouseDown);
    connect(directories, &DirectoryListBox::exited, this, &TForm1::DirectoryListBox1Exit);
    connect(ui_->DriveComboBox1, &DriveComboBox::changed, this, &TForm1::DriveComboBox1Change);
    connect(ui_->SpeedButton2, &QToolButton::clicked, this, &TForm1::BitBtn5Click);
    connect(ui_->BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(ui_->BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
    connect(ui_->BitBtn4, &QPushButton::clicked, this, &TForm1::BitBtn4Click);
    connect(ui_->SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(ui_->BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    connect(n1_, &QAction::triggered, this, &TForm1::N1Click);

    const auto events = [](QAbstractItemView *view) { return new ListViewEvents(view); };
    connect(events(ui_->FileListBox1), &ListViewEvents::dblClick, this,
            &TForm1::FileListBox1DblClick);
    connect(events(ui_->ListBox4), &ListViewEvents::dblClick, this, &TForm1::ListBox4DblClick);
    connect(events(ui_->ListBox3), &ListViewEvents::dblClick, this, &TForm1::ListBox3DblClick);
    connect(events(ui_->ListBox5), &ListViewEvents::dblClick, this, &TForm1::ListBox5DblClick);
    // The search column opens the request list's row, as ListBox5 does.
    connect(events(ui_->ListBox1), &ListViewEvents::dblClick, this, &TForm1::ListBox5DblClick);
    connect(events(ui_->ListBox2), &ListViewEvents::selectionEdited, this, &TForm1::ListBox2Click);

    connect(ui_->Edit1, &QLineEdit::textChanged, this, [this](const QString &text) {
        workspace_.Edit1 = text.toStdString();
    });

    // The search column stands beside its pages: whatever moves the top row
    // of one of the two lists (wheel, keys, scroll bar, a selection scrolled
    // into view, the arrow buttons, the program) moves the other to the same
    // top row, as far as its rows reach.
    connect(ui_->FileListBox1->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int top) { followTopRow(ui_->ListBox1, top); });
    connect(ui_->ListBox1->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int top) { followTopRow(ui_->FileListBox1, top); });
}

void TForm1::followTopRow(QAbstractItemView *view, int top)
{
    // The list that follows reports its own move; it must not be followed back.
    if (followingTopRow_)
        return;
    followingTopRow_ = true;
    QScrollBar *bar = view->verticalScrollBar();
    // A list that has rows it has not laid out yet does not know how far it
    // can scroll.
    if (top > bar->maximum())
        view->doItemsLayout();
    bar->setValue(top);
    followingTopRow_ = false;
}

void TForm1::syncViews()
{
    for (RowListModel *model : std::as_const(models_))
        model->sync();
}

void TForm1::showDrive()
{
    ui_->DriveComboBox1->showVolumeOf(ui_->DirectoryListBox1->directory());
}

// --- commands ---------------------------------------------------------------

template <typename Command>
void TForm1::runCommand(Command &&command)
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

void TForm1::rethrowNested()
{
    if (nestedError_)
        std::rethrow_exception(std::exchange(nestedError_, nullptr));
}

void TForm1::reportFailure(const QString &message)
{
    standardError(this, message);
}

void TForm1::endCommand()
{
    ui_->ProgressBar->hide();
    ui_->ProgressText->hide();
    syncViews();
    if (closeRequested_)
        QTimer::singleShot(0, this, &QWidget::close);
}

// --- Host -------------------------------------------------------------------

void TForm1::beep()
{
    ui::beep();
}

void TForm1::missingPage(const std::string &name)
{
    syncViews();
    ui::missingPage(this, QString::fromStdString(name));
}

void TForm1::showError(const std::string &message)
{
    syncViews();
    standardError(this, QString::fromStdString(message));
}

void TForm1::processMessages()
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

void TForm1::progress(std::size_t done, std::size_t total)
{
    const bool starting = !ui_->ProgressBar->isVisible();
    if (!starting && progressClock_.isValid() && progressClock_.elapsed() < 50 && done < total)
        return;
    progressClock_.start();
    const int limit = std::numeric_limits<int>::max();
    ui_->ProgressBar->setRange(0, static_cast<int>(qMin<std::size_t>(total, limit)));
    ui_->ProgressBar->setValue(static_cast<int>(qMin<std::size_t>(done, limit)));
    ui_->ProgressText->setText(QStringLiteral("処理中 %1 / %2").arg(done).arg(total));
    if (starting) {
        ui_->ProgressBar->show();
        ui_->ProgressText->show();
    }
    processMessages();
}

// --- handlers ---------------------------------------------------------------

void TForm1::FormShow()
{
    runCommand([this] { workspace_.FormShow(ui_->DirectoryListBox1->directory().toStdString()); });
    if (!startupError_.isEmpty()) {
        // Shown once the window is up: the page list could not be read.
        QTimer::singleShot(0, this, [this] { reportFailure(std::exchange(startupError_, {})); });
    }
}

void TForm1::DirectoryListBox1Change()
{
    runCommand([this] {
        // Opening the highlighted row of another folder fires the list's change
        // event, which runs this handler for that folder, nested and complete.
        ui_->DirectoryListBox1->openHighlighted();
        rethrowNested();
        workspace_.changeFolder(ui_->DirectoryListBox1->highlightedPath().toStdString());
    });
}

void TForm1::DriveComboBox1Change()
{
    runCommand([this] {
        ui_->DirectoryListBox1->setDrive(ui_->DriveComboBox1->drive());
        rethrowNested();
    });
}

void TForm1::DirectoryListBox1MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, const QPoint &)
{
    if (!(heldMouseButtons() & Qt::RightButton))
        return;
    const int x = QCursor::pos().x();
    const int y = QCursor::pos().y();
    popupMenu1_->popup(QPoint(x, y));
}

void TForm1::DirectoryListBox1Exit()
{
    // Ends whatever menu is open, innermost first.
    for (int open = 0; open < 16; ++open) {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            break;
        menu->close();
    }
}

// "▲" and "▼" move the page list by one row; the search column follows it
// to the same top row.
void TForm1::BitBtn3Click()
{
    if (workspace_.FileListBox1.currentIndex() < 1)
        return;
    fileModel_->requestTopRow(fileModel_->topRow() - 1);
}

void TForm1::BitBtn4Click()
{
    const long long rows = static_cast<long long>(workspace_.FileListBox1.size());
    if (fileModel_->topRow() >= rows - 1)
        return;
    fileModel_->requestTopRow(fileModel_->topRow() + 1);
}

void TForm1::Label4Click()
{
}

void TForm1::BitBtn5Click()
{
    // Without a selected page and without targets gathered before, every page
    // would be listed as unrequested, all selected for deletion.
    if (workspace_.FileListBox1.selectedCount() == 0 && workspace_.ListBox5.empty()) {
        ui::message(this, QStringLiteral("ファイルが選択されていません。"));
        return;
    }
    runCommand([this] {
        workspace_.BitBtn5Click();
        ui_->Edit2->setText(QString::fromStdString(workspace_.Edit2));
        ui_->Edit3->setText(QString::fromStdString(workspace_.Edit3));
    });
}

void TForm1::BitBtn1Click()
{
    runCommand([this] { workspace_.BitBtn1Click(); });
}

void TForm1::showMoves(const platform::MoveResult &result)
{
    if (result.countChanged)
        ui_->Edit3->setText(QString::fromStdString(workspace_.Edit3));
    if (result.listsChanged)
        syncViews();
}

void TForm1::BitBtn2Click()
{
    runCommand([this] {
        ShellDialogs dialogs(this);
        const platform::MoveResult result =
            platform::BitBtn2Click(workspace_, &dialogs, [this](const std::string &text) {
                ui::message(this, QString::fromStdString(text));
            });
        showMoves(result);
    });
}

void TForm1::SpeedButton1Click()
{
    runCommand([this] {
        ShellDialogs dialogs(this);
        // Rows that name no page of the base folder (the folder itself, a
        // file elsewhere) are not offered; the confirmation names what goes.
        platform::MoveResult result;
        platform::GOMIBAKO(workspace_, true, &dialogs, &result.moved);
        platform::followMoves(workspace_, result, true);
        showMoves(result);
        processMessages();
        ui_->ListBox3->repaint();
        processMessages();
        beep();
    });
}

void TForm1::N1Click()
{
    runCommand([this] {
        DirectoryListBox *directories = ui_->DirectoryListBox1;
        std::vector<std::string> rows;
        rows.reserve(static_cast<std::size_t>(directories->count()));
        for (int row = 0; row < directories->count(); ++row)
            rows.push_back(directories->item(row)->text().toStdString());
        ShellDialogs dialogs(this);
        platform::MoveResult result;
        result.moved = platform::N1Click(workspace_, rows, directories->currentRow(), &dialogs);
        if (result.moved.empty())
            return;
        // The moved folder leaves the directory list; the folder shown stays
        // the base folder, so no change of folder runs.
        directories->refreshRows();
        platform::followMoves(workspace_, result, true);
        showMoves(result);
    });
}

void TForm1::openCurrentRow(QAbstractItemView *view, RowList &rows, void (*command)(Workspace &))
{
    runCommand([this, view, &rows, command] {
        // The row the user just clicked is the one the command reads.
        const int current = view->selectionModel()->currentIndex().row();
        rows.setCurrentIndex(current < static_cast<int>(rows.size()) ? current : -1);
        command(workspace_);
    });
}

void TForm1::FileListBox1DblClick()
{
    openCurrentRow(ui_->FileListBox1, workspace_.FileListBox1, &platform::FileListBox1DblClick);
}

void TForm1::ListBox4DblClick()
{
    openCurrentRow(ui_->ListBox4, workspace_.ListBox4, &platform::ListBox4DblClick);
}

void TForm1::ListBox3DblClick()
{
    openCurrentRow(ui_->ListBox3, workspace_.ListBox3, &platform::ListBox3DblClick);
}

void TForm1::ListBox5DblClick()
{
    // Raised by ListBox1 too: the row read is always the request list's.
    openCurrentRow(ui_->ListBox5, workspace_.ListBox5, &platform::ListBox5DblClick);
}

void TForm1::ListBox2Click()
{
    openCurrentRow(ui_->ListBox2, workspace_.ListBox2, &platform::ListBox2Click);
}

// --- window events -------------------------------------------------------------

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    for (const Anchored &control : std::as_const(anchored_)) {
        QRect placed = anchoredGeometry(control.designed, control.anchors, kDesignedSize, size());
        placed.setWidth(qMax(placed.width(), control.minimumWidth));
        control.widget->setGeometry(placed);
    }
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // Closing while a command runs would leave it working on a window that is
    // gone; the window closes once the command has ended.
    if (depth_ > 0) {
        closeRequested_ = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui_->Label4 && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && ui_->Label4->rect().contains(mouse->position().toPoint()))
            Label4Click();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tavlori::ui
