#include "ui/tform1.h"

#include "platform/pagefiles.h"
#include "ui/anchors.h"
#include "ui/dialogs.h"
#include "ui/directorylistbox.h"
#include "ui/drivecombobox.h"
#include "ui/rowlistmodel.h"
#include "ui/treeimages.h"
#include "ui_tform1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFont>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>

#include <filesystem>
#include <limits>
#include <mutex>
#include <system_error>
#include <utility>

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
    listBox1Model_ = models_.at(1);

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

TForm1::~TForm1() = default;

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
    connect(ui_->Edit1, &QLineEdit::textChanged, this, [this](const QString &text) {
        workspace_.Edit1 = text.toStdString();
    });
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
    syncViews();
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

void TForm1::BitBtn3Click()
{
    if (workspace_.FileListBox1.currentIndex() < 1)
        return;
    fileModel_->requestTopRow(fileModel_->topRow() - 1);
    listBox1Model_->requestTopRow(listBox1Model_->topRow() - 1);
}

void TForm1::BitBtn4Click()
{
    const long long rows = static_cast<long long>(workspace_.FileListBox1.size());
    if (fileModel_->topRow() >= rows - 1)
        return;
    fileModel_->requestTopRow(fileModel_->topRow() + 1);
    listBox1Model_->requestTopRow(listBox1Model_->topRow() + 1);
}

void TForm1::Label4Click()
{
}

void TForm1::BitBtn5Click()
{
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
