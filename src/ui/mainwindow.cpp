#include "ui/mainwindow.h"

#include "platform/opener.h"
#include "platform/pagefiles.h"
#include "platform/trashcommands.h"
#include "ui/anchors.h"
#include "ui/dialogs.h"
#include "ui/foldertree.h"
#include "ui/listviewevents.h"
#include "ui/rowlistmodel.h"
#include "ui/texts.h"
#include "ui/trashdialogs.h"
#include "ui/treeimages.h"
#include "ui/volumeselector.h"
#include "ui/workingdirectory.h"
#include "ui_mainwindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFont>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>

#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavlori::ui {
namespace {

const QString kFontFace = QStringLiteral("ＭＳ Ｐゴシック");

// The face the window is designed for, with the free Japanese Gothic faces
// that stand in for it where it is not installed.
void substituteFonts()
{
    static std::once_flag once;
    std::call_once(once, [] {
        QFont::insertSubstitutions(kFontFace, {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                                               QStringLiteral("Noto Sans CJK JP")});
    });
}

QFont windowFont(int pixelSize)
{
    QFont font(kFontFace);
    font.setPixelSize(pixelSize);
    return font;
}

// A count field's text: the number, or nothing before the first investigation.
QString countText(std::optional<std::size_t> count)
{
    return count ? QString::number(*count) : QString();
}

} // namespace

// --- MainWindow -----------------------------------------------------------------------

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
    , ui_(std::make_unique<Ui::MainWindow>())
    , workspace_(*this, platform::pageFiles(), kNativeSeparator)
{
    ui_->setupUi(this);
    applyStyle();

    const std::pair<RowList *, QListView *> lists[] = {
        {&workspace_.pageList(), ui_->pageList},
        {&workspace_.unrequestedPages(), ui_->unrequestedPages},
        {&workspace_.requestList(), ui_->requestList},
    };
    for (const auto &[rows, view] : lists) {
        auto *model = new RowListModel(*rows, this);
        model->attach(view);
        models_.append(model);
    }
    pageListModel_ = models_.at(0);
    const auto &brokenLinks = workspace_.brokenLinks();
    const std::pair<ResultColumnModel::Source, QListView *> columns[] = {
        {resultColumn(workspace_.searchColumn(),
                      [](SearchHit hit) {
                          const std::string_view text = searchHitText(hit);
                          return QString(QLatin1StringView(text.data(), static_cast<qsizetype>(text.size())));
                      }),
         ui_->searchColumn},
        {resultColumn(brokenLinks,
                      [](const BrokenLink &broken) { return QString::fromStdString(broken.link); }),
         ui_->missingTargets},
        {resultColumn(brokenLinks,
                      [](const BrokenLink &broken) { return QString::fromStdString(broken.page); }),
         ui_->brokenLinkPages},
    };
    for (const auto &[source, view] : columns) {
        auto *model = new ResultColumnModel(source, this);
        model->attach(view);
        columnModels_.append(model);
    }

    // A menu is a window of its own, so the layout file cannot hold it.
    folderMenu_ = new QMenu(this);
    folderMenu_->setObjectName(QStringLiteral("folderMenu"));
    folderMenu_->setFont(font());
    trashFolderAction_ = folderMenu_->addAction(texts::trashFolderAction());
    trashFolderAction_->setObjectName(QStringLiteral("trashFolderAction"));

    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QVariant anchors = child->property("anchors");
        if (!anchors.isValid())
            continue;
        // A label is as wide as its text at least, so a face wider than the
        // designed one does not cut the text off; it grows to the right.
        auto *label = qobject_cast<QLabel *>(child);
        const int minimumWidth = label ? label->sizeHint().width() : 0;
        anchored_.append({child, child->geometry(), parseAnchors(anchors.toString()), minimumWidth});
    }

    // The volume selector, the folder tree and the page list start on the
    // process's working directory.
    const QString start = workingDirectory();
    VolumeSelector *volumes = ui_->volumeSelector;
    volumes->setVolumes(VolumeSelector::mountedRoots());
    ui_->folderTree->setVolumeOf([volumes](const QString &path) { return volumes->volumeOf(path); });
    ui_->folderTree->setDirectory(start);
    showVolume();
    ui_->searchTerm->setText(QString::fromStdString(workspace_.searchTerm()));
    try {
        workspace_.readPageList(start.toStdString());
    } catch (const CommandError &e) {
        startupError_ = texts::failure(e.failure());
    } catch (const std::exception &e) {
        startupError_ = QString::fromUtf8(e.what());
    }
    syncViews();

    connectHandlers();

    move(kDesignedPosition);
    resize(kDesignedSize);
}

MainWindow::~MainWindow()
{
    // QWidget's destructor closes the window, which takes the focus from the
    // folder tree after this object's own part is gone; its focus-left signal
    // must no longer reach a handler of this class then.
    ui_->folderTree->disconnect(this);
}

void MainWindow::applyStyle()
{
    substituteFonts();
    setFont(windowFont(12));
    ui_->requestListLabel->setFont(windowFont(20));
    setWindowIcon(programIcon());
    // The window's surface has the button face's colour.
    QPalette surface = palette();
    surface.setColor(QPalette::Window, surface.color(QPalette::Button));
    setPalette(surface);
    setAutoFillBackground(true);
    ui_->trashUnrequestedButton->setIcon(QIcon(QPixmap::fromImage(bareTreeImage())));
    ui_->investigateButton->setIcon(QIcon(QPixmap::fromImage(fullTreeImage())));
}

void MainWindow::connectHandlers()
{
    FolderTree *folderTree = ui_->folderTree;
    connect(folderTree, &FolderTree::changed, this, &MainWindow::showVolume);
    connect(folderTree, &FolderTree::changed, this, &MainWindow::enterFolder);
    connect(folderTree, &FolderTree::listDoubleClicked, this, &MainWindow::enterFolder);
    connect(folderTree, &FolderTree::mousePressed, this, &MainWindow::showFolderMenu);
    connect(folderTree, &FolderTree::focusLeft, this, &MainWindow::folderTreeLeft);
    connect(ui_->volumeSelector, &VolumeSelector::changed, this, &MainWindow::changeVolume);
    connect(ui_->investigateButton, &QToolButton::clicked, this, &MainWindow::investigateLinks);
    connect(ui_->clearRequestsButton, &QPushButton::clicked, this, &MainWindow::clearRequests);
    connect(ui_->scrollUpButton, &QPushButton::clicked, this, &MainWindow::scrollUp);
    connect(ui_->scrollDownButton, &QPushButton::clicked, this, &MainWindow::scrollDown);
    connect(ui_->trashUnrequestedButton, &QToolButton::clicked, this, &MainWindow::trashUnrequestedPages);
    connect(ui_->trashSelectedButton, &QPushButton::clicked, this, &MainWindow::trashSelectedPages);
    connect(trashFolderAction_, &QAction::triggered, this, &MainWindow::trashFolder);

    const auto events = [](QAbstractItemView *view) { return new ListViewEvents(view); };
    connect(events(ui_->pageList), &ListViewEvents::listDoubleClicked, this, &MainWindow::editPage);
    connect(events(ui_->brokenLinkPages), &ListViewEvents::listDoubleClicked, this,
            &MainWindow::editBrokenLinkPage);
    connect(events(ui_->unrequestedPages), &ListViewEvents::listDoubleClicked, this,
            &MainWindow::openUnrequestedPage);
    connect(events(ui_->requestList), &ListViewEvents::listDoubleClicked, this, &MainWindow::openRequest);
    // The search column opens the request list's focused row: its own rows ("-", hits) name no file.
    connect(events(ui_->searchColumn), &ListViewEvents::listDoubleClicked, this, &MainWindow::openRequest);
    // A missing target opens on a single click, so the user can step through the targets one click each.
    connect(events(ui_->missingTargets), &ListViewEvents::selectionEdited, this,
            &MainWindow::openMissingTarget);

    connect(ui_->searchTerm, &QLineEdit::textChanged, this,
            [this](const QString &text) { workspace_.setSearchTerm(text.toStdString()); });

    // The search column stands beside its pages: whatever moves the top row
    // of one of the two lists (wheel, keys, scroll bar, a selection scrolled
    // into view, the arrow buttons, the program) moves the other to the same
    // top row, as far as its rows reach.
    connect(ui_->pageList->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int top) { followTopRow(ui_->searchColumn, top); });
    connect(ui_->searchColumn->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int top) { followTopRow(ui_->pageList, top); });
}

void MainWindow::followTopRow(QAbstractItemView *view, int top)
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

void MainWindow::syncViews()
{
    for (RowListModel *model : std::as_const(models_))
        model->sync();
    for (ResultColumnModel *model : std::as_const(columnModels_))
        model->sync();
}

void MainWindow::scrollListsToTop()
{
    syncViews();
    for (RowListModel *model : std::as_const(models_))
        model->scrollToTop();
    for (ResultColumnModel *model : std::as_const(columnModels_))
        model->scrollToTop();
}

void MainWindow::showCounts()
{
    ui_->requestCount->setText(countText(workspace_.requestCount()));
    ui_->unrequestedCount->setText(countText(workspace_.unrequestedCount()));
}

void MainWindow::showVolume()
{
    ui_->volumeSelector->showVolumeOf(ui_->folderTree->directory());
}

// --- handlers ---------------------------------------------------------------

void MainWindow::start()
{
    runCommand([this] { workspace_.start(ui_->folderTree->directory().toStdString()); });
    if (!startupError_.isEmpty()) {
        // Shown once the window is up: the page list could not be read.
        QTimer::singleShot(0, this, [this] { reportFailure(std::exchange(startupError_, {})); });
    }
}

void MainWindow::enterFolder()
{
    runCommand([this] {
        // Opening the highlighted row of another folder fires the list's change
        // event, which runs this handler for that folder, nested and complete.
        ui_->folderTree->openHighlighted();
        rethrowNested();
        const std::string folder = ui_->folderTree->highlightedPath().toStdString();
        if (std::optional<Failure> failure = enterWorkingDirectory(QString::fromStdString(folder)))
            throw CommandError(std::move(*failure));
        // The window shows the folder entered before its pages are listed,
        // which takes a while in a large folder.
        processMessages();
        workspace_.changeFolder(folder);
        scrollListsToTop();
    });
}

void MainWindow::changeVolume()
{
    runCommand([this] {
        ui_->folderTree->enterVolume(ui_->volumeSelector->volumeRoot());
        rethrowNested();
    });
}

void MainWindow::showFolderMenu()
{
    if (!(heldMouseButtons() & Qt::RightButton))
        return;
    const int x = QCursor::pos().x();
    const int y = QCursor::pos().y();
    folderMenu_->popup(QPoint(x, y));
}

void MainWindow::folderTreeLeft()
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
void MainWindow::scrollUp()
{
    // ▲ tests the focused row, not the top row: with the first row focused it does nothing at all.
    if (workspace_.pageList().currentIndex() < 1)
        return;
    pageListModel_->requestTopRow(pageListModel_->topRow() - 1);
}

void MainWindow::scrollDown()
{
    const long long rows = static_cast<long long>(workspace_.pageList().size());
    if (pageListModel_->topRow() >= rows - 1)
        return;
    pageListModel_->requestTopRow(pageListModel_->topRow() + 1);
}

void MainWindow::investigateLinks()
{
    // Without a selected page and without targets gathered before, every page
    // would be listed as unrequested, all selected for deletion.
    if (workspace_.pageList().selectedCount() == 0 && workspace_.requestList().empty()) {
        ui::message(this, texts::noPageSelected());
        return;
    }
    runCommand([this] {
        workspace_.investigateLinks();
        scrollListsToTop();
        showCounts();
    });
}

void MainWindow::clearRequests()
{
    runCommand([this] { workspace_.clearRequests(); });
}

void MainWindow::showMoves(const platform::MoveResult &result)
{
    if (result.countChanged)
        ui_->unrequestedCount->setText(countText(workspace_.unrequestedCount()));
    // Moved items have left the workspace's lists.
    if (!result.moved.empty())
        syncViews();
}

// --- window events -------------------------------------------------------------

void MainWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        start();
    }
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    for (const Anchored &control : std::as_const(anchored_)) {
        QRect placed = anchoredGeometry(control.designed, control.anchors, kDesignedSize, size());
        placed.setWidth(qMax(placed.width(), control.minimumWidth));
        control.widget->setGeometry(placed);
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
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

} // namespace tavlori::ui
