#include "analysis/errors.h"

#include <cerrno>
#include <system_error>
#include <utility>

namespace tavlori {

PageOpenError::PageOpenError(std::string path, std::string reason)
    : CommandError("ファイル " + path + " は開けません。 " + reason + " ")
    , path_(std::move(path))
    , reason_(std::move(reason))
{
}

std::string standardErrorText(std::string_view message)
{
    std::string text(message);
    // The last byte of a non-ASCII UTF-8 character is 0x80..0xBF, so every
    // such character counts as higher than ".", as every character above
    // U+002E does.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

std::string folderErrorText(int errorNumber)
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

std::string errnoText(int errorNumber)
{
    return std::generic_category().message(errorNumber);
}

} // namespace tavlori
