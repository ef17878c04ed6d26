#include "platform/shellfileop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

#include <filesystem>
#include <system_error>

namespace tavlori::platform {

namespace {

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool existsAsEntry(const QString &path)
{
    std::error_code ec;
    return std::filesystem::symlink_status(QFile::encodeName(path).toStdString(), ec).type()
        != std::filesystem::file_type::not_found
        && !ec;
}

// Makes sure the home trash exists before an item is moved. Some Qt versions,
// when they cannot make it, go on with the current directory as the trash and
// move the item into ./files of whatever folder the program stands in.
void prepareHomeTrash()
{
#ifndef Q_OS_WIN
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome))
        return;
    const QString trash = dataHome + QStringLiteral("/Trash");
    if (QFileInfo(trash).isDir())
        return;
    // Only where nothing stands yet: a file named Trash is no trash to build on.
    if (QFileInfo::exists(trash) || QFileInfo(trash).isSymLink())
        return;
    if (QDir().mkpath(trash)) {
        QFile::setPermissions(trash, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                         | QFileDevice::ExeOwner);
        QDir(trash).mkdir(QStringLiteral("files"));
        QDir(trash).mkdir(QStringLiteral("info"));
    }
#endif
}

// True when `inTrash` lies in the files folder of a freedesktop trash:
// .../Trash/files/x, $topdir/.Trash-UID/files/x or $topdir/.Trash/UID/files/x.
bool isTrashLocation(const QString &inTrash)
{
#ifdef Q_OS_WIN
    Q_UNUSED(inTrash);
    return true;
#else
    if (inTrash.isEmpty() || QDir::isRelativePath(inTrash))
        return false;
    const QDir files = QFileInfo(inTrash).dir();
    if (files.dirName() != QStringLiteral("files"))
        return false;
    QDir trash = files;
    if (!trash.cdUp())
        return false;
    const QString name = trash.dirName();
    if (name == QStringLiteral("Trash") || name.startsWith(QStringLiteral(".Trash-")))
        return true;
    QDir top = trash;
    return top.cdUp() && top.dirName() == QStringLiteral(".Trash");
#endif
}

// Puts an item that went somewhere other than a trash back where it was, and
// takes away the record that was written for it there.
void undoStrayMove(const QString &inTrash, const QString &original)
{
    QDir().rename(inTrash, original);
    const QDir files = QFileInfo(inTrash).dir();
    QDir trash = files;
    if (!trash.cdUp())
        return;
    QFile::remove(trash.filePath(QStringLiteral("info/") + QFileInfo(inTrash).fileName()
                                 + QStringLiteral(".trashinfo")));
    // The two folders were made for the move; they go only when empty.
    trash.rmdir(QStringLiteral("info"));
    trash.rmdir(QStringLiteral("files"));
}

TrashError moveOne(const std::string &pathText)
{
    const QString path = toQString(pathText);
    // A name that is not UTF-8 cannot be named through Qt: its text would
    // name another file (every stray byte made U+FFFD), so it is not moved.
    if (QFile::encodeName(path) != QByteArray::fromStdString(pathText))
        return TrashError::TrashUnavailable;
    if (!existsAsEntry(path))
        return TrashError::NotFound;
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(path));

    prepareHomeTrash();
    QFile item(path);
    if (item.moveToTrash()) {
        const QString inTrash = item.fileName();
        if (isTrashLocation(inTrash))
            return TrashError::None;
        undoStrayMove(inTrash, absolute);
        return TrashError::TrashUnavailable;
    }
    if (!existsAsEntry(path))
        return TrashError::NotFound;
    const QFileInfo parent(QFileInfo(absolute).absolutePath());
    if (!parent.isWritable())
        return TrashError::PermissionDenied;
    return TrashError::TrashUnavailable;
}

void failAll(SHFILEOPSTRUCTW &op, const std::vector<std::string> &paths, std::size_t from,
             TrashError error)
{
    for (std::size_t i = from; i < paths.size(); ++i)
        op.failures.push_back({paths[i], error, failureText(paths[i], error)});
}

} // namespace

std::string itemName(std::string_view path)
{
    std::string_view text = path;
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\'))
        text.remove_suffix(1);
    const std::size_t cut = text.find_last_of("/\\");
    if (cut == std::string_view::npos || cut + 1 == text.size())
        return std::string(path);
    return std::string(text.substr(cut + 1));
}

std::string confirmationText(const std::vector<std::string> &paths)
{
    if (paths.size() == 1)
        return "'" + itemName(paths.front()) + "' をごみ箱に移動しますか?";
    return "これら " + std::to_string(paths.size()) + " 個の項目をごみ箱に移動しますか?";
}

std::string failureText(const std::string &path, TrashError error)
{
    std::string reason;
    switch (error) {
    case TrashError::None:
        break;
    case TrashError::NotFound:
        reason = "項目が見つかりません。";
        break;
    case TrashError::PermissionDenied:
        reason = "アクセスが拒否されました。";
        break;
    case TrashError::TrashUnavailable:
        reason = "この項目を受け入れるごみ箱がありません。";
        break;
    case TrashError::Cancelled:
        reason = "操作は取り消されました。";
        break;
    case TrashError::UndoNotAllowed:
        reason = "ごみ箱を使わない削除は行いません。";
        break;
    case TrashError::BadRequest:
        reason = "この操作には対応していません。";
        break;
    }
    return "'" + itemName(path) + "' をごみ箱に移動できませんでした。 " + reason;
}

int SHFileOperation(SHFILEOPSTRUCTW &op)
{
    op.fAnyOperationsAborted = false;
    op.moved.clear();
    op.failures.clear();

    const std::vector<std::string> paths = splitPathList(op.pFrom);
    if (op.wFunc != FO_DELETE) {
        failAll(op, paths, 0, TrashError::BadRequest);
        return static_cast<int>(TrashError::BadRequest);
    }
    // Erasing for good is never done: without undo nothing moves.
    if ((op.fFlags & FOF_ALLOWUNDO) == 0) {
        failAll(op, paths, 0, TrashError::UndoNotAllowed);
        return static_cast<int>(TrashError::UndoNotAllowed);
    }
    // A list without a path asks for nothing; that is no failure.
    if (paths.empty())
        return 0;

    ShellUi *ui = op.hwnd;
    if ((op.fFlags & FOF_NOCONFIRMATION) == 0) {
        if (!ui || !ui->confirm(confirmationText(paths))) {
            op.fAnyOperationsAborted = true;
            failAll(op, paths, 0, TrashError::Cancelled);
            return static_cast<int>(TrashError::Cancelled);
        }
    }

    const bool showProgress = ui && (op.fFlags & FOF_SILENT) == 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (showProgress && !ui->progress(i, paths.size(), paths[i])) {
            op.fAnyOperationsAborted = true;
            failAll(op, paths, i, TrashError::Cancelled);
            break;
        }
        const TrashError error = moveOne(paths[i]);
        if (error == TrashError::None) {
            op.moved.push_back(paths[i]);
            continue;
        }
        op.failures.push_back({paths[i], error, failureText(paths[i], error)});
        if (ui)
            ui->error(op.failures.back().text);
    }
    if (showProgress && !op.fAnyOperationsAborted)
        ui->progress(paths.size(), paths.size(), std::string());

    return op.failures.empty() ? 0 : static_cast<int>(op.failures.front().error);
}

} // namespace tavlori::platform
