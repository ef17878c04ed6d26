#include "platform/shellfileop.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include "platform/giotrash.h"
#else
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <filesystem>
#include <system_error>
#endif

namespace tavlori::platform {

namespace {

#ifdef Q_OS_LINUX

TrashError moveOne(const std::string &pathText, std::string &detail)
{
    switch (gio::trash(pathText, detail)) {
    case gio::Outcome::Moved:
        return TrashError::None;
    case gio::Outcome::NotFound:
        return TrashError::NotFound;
    case gio::Outcome::PermissionDenied:
        return TrashError::PermissionDenied;
    case gio::Outcome::Unavailable:
        break;
    }
    return TrashError::TrashUnavailable;
}

#else

bool existsAsEntry(const QString &path)
{
    std::error_code ec;
    return std::filesystem::symlink_status(QFile::encodeName(path).toStdString(), ec).type()
        != std::filesystem::file_type::not_found
        && !ec;
}

TrashError moveOne(const std::string &pathText, std::string &detail)
{
    detail.clear();
    const QString path = QString::fromUtf8(pathText.data(), static_cast<qsizetype>(pathText.size()));
    // A name that is not UTF-8 cannot be named through Qt: its text would
    // name another file (every stray byte made U+FFFD), so it is not moved.
    if (QFile::encodeName(path) != QByteArray::fromStdString(pathText))
        return TrashError::TrashUnavailable;
    if (!existsAsEntry(path))
        return TrashError::NotFound;
    QFile item(path);
    if (item.moveToTrash())
        return TrashError::None;
    if (!existsAsEntry(path))
        return TrashError::NotFound;
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    if (!QFileInfo(QFileInfo(absolute).absolutePath()).isWritable())
        return TrashError::PermissionDenied;
    return TrashError::TrashUnavailable;
}

#endif

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
        std::string detail;
        const TrashError error = moveOne(paths[i], detail);
        if (error == TrashError::None) {
            op.moved.push_back(paths[i]);
            continue;
        }
        std::string text = failureText(paths[i], error);
        // Where no trash takes the item, the trash's own words say why.
        if (error == TrashError::TrashUnavailable && !detail.empty())
            text += " (" + detail + ")";
        op.failures.push_back({paths[i], error, std::move(text)});
        if (ui)
            ui->error(op.failures.back().text);
    }
    if (showProgress && !op.fAnyOperationsAborted)
        ui->progress(paths.size(), paths.size(), std::string());

    return op.failures.empty() ? 0 : static_cast<int>(op.failures.front().error);
}

} // namespace tavlori::platform
