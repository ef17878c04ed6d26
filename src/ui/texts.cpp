#include "ui/texts.h"

#include <cerrno>

namespace tavlori::ui::texts {
namespace {

QString fromUtf8(const std::string &text)
{
    return QString::fromStdString(text);
}

// Why a page could not be read: the system's own words for its error, or
// the refusal of anything that is not a regular file.
QString readFailure(const ReadFailure &failure)
{
    if (failure.cause == ReadFailure::Cause::NotRegularFile)
        return QStringLiteral("通常のファイルではありません");
    return fromUtf8(errnoText(failure.errorNumber));
}

} // namespace

QString applicationTitle()
{
    return QStringLiteral("Tavlori");
}

QString errorTitle()
{
    return QStringLiteral("エラー");
}

QString ok()
{
    return QStringLiteral("OK");
}

QString yes()
{
    return QStringLiteral("はい(&Y)");
}

QString no()
{
    return QStringLiteral("いいえ(&N)");
}

QString cancel()
{
    return QStringLiteral("キャンセル");
}

QString trashFolderAction()
{
    return QStringLiteral("フォルダの削除");
}

QString trashTitle()
{
    return QStringLiteral("ごみ箱に移動");
}

QString failure(const Failure &failure)
{
    const QString path = fromUtf8(failure.path);
    switch (failure.cause) {
    case FailureCause::FolderUnreadable:
        return folderError(failure.errorNumber);
    case FailureCause::PageUnreadable:
        return QStringLiteral("ファイル %1 は開けません。 %2 ").arg(path, readFailure(failure.readFailure));
    case FailureCause::NoSuchRow:
        return QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(failure.row);
    case FailureCause::EditorMissing:
    case FailureCause::EditorNotExecutable:
    case FailureCause::EditorNotStarted: {
        QString reason;
        if (failure.cause == FailureCause::EditorMissing)
            reason = QStringLiteral("プログラムが見つかりません");
        else if (failure.cause == FailureCause::EditorNotExecutable)
            reason = QStringLiteral("プログラムを実行できません");
        else
            reason = fromUtf8(failure.reason);
        return QStringLiteral("エディタ %1 で %2 を開けません。 %3 ")
            .arg(fromUtf8(failure.program), path, reason);
    }
    case FailureCause::BrowserNotStarted:
    case FailureCause::FileMissing:
    case FailureCause::NoProgramForFile: {
        QString reason;
        if (failure.cause == FailureCause::BrowserNotStarted)
            reason = QStringLiteral("ウェブブラウザを起動できません");
        else if (failure.cause == FailureCause::FileMissing)
            reason = QStringLiteral("ファイルが見つかりません");
        else
            reason = QStringLiteral("関連付けられたプログラムがないか、起動できません");
        return QStringLiteral("既定のプログラムで %1 を開けません。 %2 ").arg(path, reason);
    }
    }
    return QString();
}

QString folderError(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
        return QStringLiteral("指定されたファイルが見つかりません");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("開かれたファイルが多すぎます。");
    case EACCES:
    case EPERM:
        return QStringLiteral("ファイルへのアクセスが拒否されました");
    case ENOSPC:
        return QStringLiteral("ディスクがいっぱいです");
    case ENOTDIR:
        return QStringLiteral("指定されたパスが見つかりません");
    default:
        return QStringLiteral("I/O エラー %1").arg(errorNumber);
    }
}

QString missingPage(const QString &name)
{
    return name + QStringLiteral("がありません。");
}

QString noPageSelected()
{
    return QStringLiteral("ファイルが選択されていません。");
}

QString progress(std::size_t done, std::size_t total)
{
    return QStringLiteral("処理中 %1 / %2").arg(done).arg(total);
}

QString trashConfirmation(const std::vector<std::string> &paths)
{
    if (paths.size() == 1)
        return QStringLiteral("'%1' をごみ箱に移動しますか?")
            .arg(fromUtf8(platform::itemName(paths.front())));
    return QStringLiteral("これら %1 個の項目をごみ箱に移動しますか?").arg(paths.size());
}

QString trashFailure(const std::string &path, platform::TrashOutcome outcome, const std::string &detail)
{
    using platform::TrashOutcome;
    QString reason;
    switch (outcome) {
    case TrashOutcome::Moved:
        break;
    case TrashOutcome::NotFound:
        reason = QStringLiteral("項目が見つかりません。");
        break;
    case TrashOutcome::PermissionDenied:
        reason = QStringLiteral("アクセスが拒否されました。");
        break;
    case TrashOutcome::TrashUnavailable:
        reason = QStringLiteral("この項目を受け入れるごみ箱がありません。");
        break;
    case TrashOutcome::Cancelled:
        reason = QStringLiteral("操作は取り消されました。");
        break;
    }
    QString text =
        QStringLiteral("'%1' をごみ箱に移動できませんでした。 ").arg(fromUtf8(platform::itemName(path)))
        + reason;
    if (outcome == TrashOutcome::TrashUnavailable && !detail.empty())
        text += QStringLiteral(" (%1)").arg(fromUtf8(detail));
    return text;
}

QString trashProgress(const std::string &item, std::size_t done, std::size_t total)
{
    return QStringLiteral("%1 をごみ箱に移動しています (%2 / %3)")
        .arg(fromUtf8(platform::itemName(item)), QString::number(done + 1), QString::number(total));
}

QString pagesMoved(std::size_t moved, std::size_t offered)
{
    if (moved == offered)
        return QStringLiteral("%1 件のファイルをゴミ箱に移動しました。").arg(offered);
    if (moved == 0)
        return QStringLiteral("ファイルの移動に失敗しました。");
    return QStringLiteral("ファイルの移動に失敗しました。 (%1 件中 %2 件を移動しました)")
        .arg(offered)
        .arg(moved);
}

QString usage()
{
    return QStringLiteral("使い方: tavlori [--help] [--version] [FOLDER]");
}

QString commandLineHelp()
{
    return QStringLiteral("使い方: tavlori [FOLDER]\n"
                          "       tavlori --help | --version\n"
                          "\n"
                          "FOLDER に入って Tavlori のウィンドウを開きます。FOLDER を省略すると、\n"
                          "起動したディレクトリで開きます。\n"
                          "\n"
                          "  -h, --help     この説明を表示して終了します\n"
                          "  -v, --version  バージョンを表示して終了します\n");
}

QString versionLine(const QString &version)
{
    return QStringLiteral("tavlori ") + version + QLatin1Char('\n');
}

QString usageError(const QString &reason)
{
    return reason + QStringLiteral(" — ") + usage() + QLatin1Char('\n');
}

QString unknownOption(const QString &option)
{
    return QStringLiteral("不明なオプション: ") + option;
}

QString secondFolder()
{
    return QStringLiteral("フォルダは一つだけ指定できます");
}

} // namespace tavlori::ui::texts
