#include "analysis/errors.h"

#include <system_error>
#include <utility>

namespace tavlori {

Failure Failure::folder(std::string path, int errorNumber)
{
    Failure failure;
    failure.cause = FailureCause::FolderUnreadable;
    failure.path = std::move(path);
    failure.errorNumber = errorNumber;
    return failure;
}

const char *causeName(FailureCause cause)
{
    switch (cause) {
    case FailureCause::FolderUnreadable:
        return "folder cannot be read";
    case FailureCause::PageUnreadable:
        return "page cannot be read";
    case FailureCause::NoSuchRow:
        return "no such row";
    case FailureCause::EditorMissing:
        return "editor not found";
    case FailureCause::EditorNotExecutable:
        return "editor cannot be run";
    case FailureCause::EditorNotStarted:
        return "editor not started";
    case FailureCause::BrowserNotStarted:
        return "web browser not started";
    case FailureCause::FileMissing:
        return "file not found";
    case FailureCause::NoProgramForFile:
        return "no program opens the file";
    }
    return "command failed";
}

PageOpenError::PageOpenError(std::string path, ReadFailure reason)
    : CommandError([&] {
        Failure failure;
        failure.cause = FailureCause::PageUnreadable;
        failure.path = std::move(path);
        failure.readFailure = reason;
        return failure;
    }())
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

std::string errnoText(int errorNumber)
{
    return std::generic_category().message(errorNumber);
}

} // namespace tavlori
