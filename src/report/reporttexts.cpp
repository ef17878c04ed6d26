#include "report/reporttexts.h"

#include <cerrno>

namespace tavlori::reporttexts {
namespace {

// Why a page could not be read: the system's own words for its error, or
// the refusal of anything that is not a regular file.
std::string readFailure(const ReadFailure &failure)
{
    if (failure.cause == ReadFailure::Cause::NotRegularFile)
        return "通常のファイルではありません";
    return errnoText(failure.errorNumber);
}

} // namespace

std::string failure(const Failure &failure)
{
    switch (failure.cause) {
    case FailureCause::FolderUnreadable:
        return folderError(failure.errorNumber);
    case FailureCause::PageUnreadable:
        return "ファイル " + failure.path + " は開けません。 " + readFailure(failure.readFailure) + " ";
    default:
        // The report opens no rows and starts no program: these are not met.
        return causeName(failure.cause);
    }
}

std::string folderError(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
        return "指定されたファイルが見つかりません";
    case EMFILE:
    case ENFILE:
        return "開かれたファイルが多すぎます。";
    case EACCES:
    case EPERM:
        return "ファイルへのアクセスが拒否されました";
    case ENOSPC:
        return "ディスクがいっぱいです";
    case ENOTDIR:
        return "指定されたパスが見つかりません";
    default:
        return "I/O エラー " + std::to_string(errorNumber);
    }
}

std::string missingPage(std::string_view name)
{
    return std::string(name) + "がありません。";
}

std::string usage()
{
    return "使い方: tavlori-report [--term TEXT] [--json] FOLDER";
}

std::string usageAlternative()
{
    return "       tavlori-report --help | --version";
}

std::string termWithoutText()
{
    return "--term には検索語が必要です";
}

std::string unknownOption(std::string_view option)
{
    return "不明なオプション: " + std::string(option);
}

std::string secondFolder()
{
    return "フォルダは一つだけ指定できます";
}

std::string noFolder()
{
    return "フォルダを指定してください";
}

std::string pagesWithTerm(std::string_view term)
{
    return "検索「" + std::string(term) + "」を含むHTML: ";
}

} // namespace tavlori::reporttexts
