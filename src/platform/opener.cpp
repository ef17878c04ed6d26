#include "platform/opener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <optional>
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
// (its address, or its absolute path) and the cause when that fails.
void openRow(Workspace &workspace, const std::string &row)
{
    const OpenTarget target =
        decideOpen(toQString(row), toQString(workspace.baseFolder()), workspace.separator());
    if (target.kind == OpenKind::Refused || openWithDefaultProgram(target.url))
        return;
    Failure failure;
    if (target.kind == OpenKind::WebAddress)
        failure.cause = FailureCause::BrowserNotStarted;
    else if (!QFileInfo::exists(target.path))
        failure.cause = FailureCause::FileMissing;
    else
        failure.cause = FailureCause::NoProgramForFile;
    failure.path = (target.kind == OpenKind::WebAddress ? target.url.toString() : target.path).toStdString();
    throw CommandError(std::move(failure));
}

// Starts the editor on the page named `name`.
std::optional<Failure> editRow(Workspace &workspace, const std::string &name)
{
    return startEditor(toQString(workspace.pagePath(name)));
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

std::optional<Failure> startEditor(const QString &pagePath)
{
    const QString program = editorPath();
    QProcess process;
    process.setProgram(program);
    process.setArguments(QStringList{pagePath});
    if (process.startDetached())
        return std::nullopt;
    Failure failure;
    failure.program = program.toStdString();
    failure.path = pagePath.toStdString();
    const QFileInfo info(program);
    if (!info.exists()) {
        failure.cause = FailureCause::EditorMissing;
    } else if (info.isDir() || !info.isExecutable()) {
        failure.cause = FailureCause::EditorNotExecutable;
    } else {
        failure.cause = FailureCause::EditorNotStarted;
        failure.reason = process.errorString().toStdString();
    }
    return failure;
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
    if (index < 0 || static_cast<std::size_t>(index) >= size) {
        Failure failure;
        failure.cause = FailureCause::NoSuchRow;
        failure.row = index;
        throw CommandError(std::move(failure));
    }
    return static_cast<std::size_t>(index);
}

const std::string &currentRow(const RowList &list)
{
    return list.row(checkedRow(list.currentIndex(), list.size()));
}

void editPage(Workspace &workspace)
{
    std::optional<Failure> failure = editRow(workspace, currentRow(workspace.pageList()));
    // Editing starts afresh: the next investigation registers every target and reports broken links anew.
    workspace.clearRequests();
    if (failure)
        throw CommandError(std::move(*failure));
}

void editBrokenLinkPage(Workspace &workspace, const BrokenLink &broken)
{
    if (std::optional<Failure> failure = editRow(workspace, broken.page))
        throw CommandError(std::move(*failure));
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
