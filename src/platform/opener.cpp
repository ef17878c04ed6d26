#include "platform/opener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <utility>

namespace tavlori::platform {

namespace {

QString &editorOverride()
{
    static QString program;
    return program;
}

UrlOpener &urlOpener()
{
    static UrlOpener opener;
    return opener;
}

bool hasControlCharacter(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

OpenTarget webAddress(const QString &row)
{
    const QUrl url(row, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))
        || url.host().isEmpty())
        return {};
    return {OpenKind::WebAddress, url, QString()};
}

OpenTarget localPath(const QString &path)
{
    return {OpenKind::LocalPath, QUrl::fromLocalFile(path), path};
}

QString toQString(const std::string &text)
{
    return QString::fromStdString(text);
}

// Opens `row` with the default program; throws CommandError naming the row
// and the reason when that fails.
void openRow(Workspace &workspace, const std::string &row)
{
    const OpenTarget target =
        decideOpen(toQString(row), toQString(workspace.baseFolder()), workspace.separator());
    if (target.kind == OpenKind::Refused || openWithDefaultProgram(target.url))
        return;
    QString reason;
    if (target.kind == OpenKind::WebAddress)
        reason = QStringLiteral("ウェブブラウザを起動できません");
    else if (!QFileInfo::exists(target.path))
        reason = QStringLiteral("ファイルが見つかりません");
    else
        reason = QStringLiteral("関連付けられたプログラムがないか、起動できません");
    const QString shown = target.kind == OpenKind::WebAddress ? target.url.toString() : target.path;
    throw CommandError(
        QStringLiteral("既定のプログラムで %1 を開けません。 %2 ").arg(shown, reason).toStdString());
}

// Starts the editor on the page named `name`. An editor that cannot be
// started is told by the text returned (empty on success).
std::string editRow(Workspace &workspace, const std::string &name)
{
    const QString page = toQString(workspace.pagePath(name));
    QString reason;
    if (startEditor(page, &reason))
        return {};
    return QStringLiteral("エディタ %1 で %2 を開けません。 %3 ")
        .arg(editorPath(), page, reason)
        .toStdString();
}

} // namespace

OpenTarget decideOpen(const QString &row, const QString &baseDir, char sep)
{
    if (row.isEmpty() || hasControlCharacter(row))
        return {};
    if (startsWithScheme(row.toStdString()))
        return webAddress(row);

    const QChar separator = QLatin1Char(sep);
    if (sep == kWindowsSeparator) {
        const bool slashFirst = row.front() == u'\\' || row.front() == u'/';
        if (slashFirst && row.size() > 1 && (row[1] == u'\\' || row[1] == u'/'))
            return {}; // a network path
        if (row.size() >= 2 && isAsciiLetter(row[0]) && row[1] == u':') {
            if (row.size() >= 3 && (row[2] == u'\\' || row[2] == u'/'))
                return localPath(row);
            return {}; // relative to a drive's own current folder
        }
        if (slashFirst)
            return localPath(row);
    } else if (row.front() == separator) {
        return localPath(row);
    }

    if (baseDir.isEmpty())
        return {};
    QString path = baseDir;
    if (!path.endsWith(separator))
        path += separator;
    return localPath(path + row);
}

QString editorPath()
{
    if (!editorOverride().isEmpty())
        return editorOverride();
    const QString chosen = qEnvironmentVariable("TAVLORI_EDITOR");
    if (!chosen.isEmpty())
        return chosen;
    // Fixed when building (the TAVLORI_EDITOR cache entry of CMake).
    return QStringLiteral(TAVLORI_EDITOR_PATH);
}

bool startEditor(const QString &pagePath, QString *reason)
{
    const QString program = editorPath();
    QProcess process;
    process.setProgram(program);
    process.setArguments(QStringList{pagePath});
    if (process.startDetached())
        return true;
    if (reason) {
        const QFileInfo info(program);
        if (!info.exists())
            *reason = QStringLiteral("プログラムが見つかりません");
        else if (info.isDir() || !info.isExecutable())
            *reason = QStringLiteral("プログラムを実行できません");
        else
            *reason = process.errorString();
    }
    return false;
}

bool openWithDefaultProgram(const QUrl &url)
{
    if (urlOpener())
        return urlOpener()(url);
    return QDesktopServices::openUrl(url);
}

void setEditorPathForTests(const QString &program)
{
    editorOverride() = program;
}

void setUrlOpenerForTests(UrlOpener opener)
{
    urlOpener() = std::move(opener);
}

std::size_t checkedRow(int index, std::size_t size)
{
    if (index < 0 || static_cast<std::size_t>(index) >= size)
        throw CommandError("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")");
    return static_cast<std::size_t>(index);
}

const std::string &currentRow(const RowList &list)
{
    return list.row(checkedRow(list.currentIndex(), list.size()));
}

void editPage(Workspace &workspace)
{
    const std::string failure = editRow(workspace, currentRow(workspace.pageList()));
    // Editing starts afresh: the next investigation registers every target and reports broken links anew.
    workspace.clearRequests();
    if (!failure.empty())
        throw CommandError(failure);
}

void editBrokenLinkPage(Workspace &workspace, const BrokenLink &broken)
{
    const std::string failure = editRow(workspace, broken.page);
    if (!failure.empty())
        throw CommandError(failure);
}

void openUnrequestedPage(Workspace &workspace)
{
    openRow(workspace, currentRow(workspace.unrequestedPages()));
}

void openRequest(Workspace &workspace)
{
    openRow(workspace, currentRow(workspace.requestList()));
}

void openMissingTarget(Workspace &workspace, const BrokenLink &broken)
{
    openRow(workspace, broken.link);
}

} // namespace tavlori::platform
