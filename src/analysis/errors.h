#pragma once
// The failures that end a command, and the texts the user reads for them.
#include <stdexcept>
#include <string>
#include <string_view>

namespace tavlori {

// A failure that ends the running command, shown in the standard error dialog.
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "ファイル %s は開けません。 %s ": a page that exists but cannot be opened.
class PageOpenError : public CommandError {
public:
    PageOpenError(std::string path, std::string reason);
    const std::string &path() const { return path_; }
    const std::string &reason() const { return reason_; }

private:
    std::string path_;
    std::string reason_;
};

// The text of the standard error dialog: the message, with "." appended when
// its last character has a higher code than ".".
std::string standardErrorText(std::string_view message);

// The text for an operating-system error number (errno) met while entering a
// folder: not found, too many open files, access denied, disk full, ...; any
// other as "I/O エラー %d".
std::string folderErrorText(int errorNumber);

// The operating system's description of an error number (errno), as the
// reason of a page that cannot be read.
std::string errnoText(int errorNumber);

} // namespace tavlori
