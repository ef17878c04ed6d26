#pragma once
// The failures that end a command, as values: what went wrong, where, and
// the system's reason. The programs word them for the user.
#include <exception>
#include <string>
#include <string_view>
#include <utility>

namespace tavlori {

// Why a file could not be read: the operating system refused (its error
// number), or the path names something other than a regular file (a FIFO, a
// socket, a device), which is refused instead of opened.
struct ReadFailure {
    enum class Cause { System, NotRegularFile };
    Cause cause = Cause::System;
    int errorNumber = 0; // errno, when the system refused

    static ReadFailure system(int errorNumber) { return {Cause::System, errorNumber}; }
    static ReadFailure notRegularFile() { return {Cause::NotRegularFile, 0}; }
    bool operator==(const ReadFailure &) const = default;
};

enum class FailureCause {
    FolderUnreadable,    // a folder cannot be entered or listed: path, errorNumber
    PageUnreadable,      // a page exists but cannot be read: path, readFailure
    NoSuchRow,           // a command reads a row its list does not have: row
    EditorMissing,       // the editor program is not there: program, path
    EditorNotExecutable, // the editor is a folder or may not be run: program, path
    EditorNotStarted,    // the editor could not be started: program, path, reason
    BrowserNotStarted,   // the desktop could not open a web address: path
    FileMissing,         // the desktop was asked to open a file that is not there: path
    NoProgramForFile,    // no program opens the file, or it did not start: path
};

struct Failure {
    FailureCause cause = FailureCause::FolderUnreadable;
    std::string path;        // the folder, page, address or file concerned
    std::string program;     // the program that could not open it
    std::string reason;      // the system's own description of why a program did not start
    ReadFailure readFailure; // why a page could not be read
    int errorNumber = 0;     // the operating system's error number (errno)
    long long row = 0;       // the row a list does not have

    static Failure folder(std::string path, int errorNumber);
};

// The cause's name, for diagnostics; the user reads the programs' own texts.
const char *causeName(FailureCause cause);

// A failure that ends the running command, shown in the standard error dialog.
class CommandError : public std::exception {
public:
    explicit CommandError(Failure failure)
        : failure_(std::move(failure))
    {
    }
    const Failure &failure() const { return failure_; }
    // causeName of the failure.
    const char *what() const noexcept override { return causeName(failure_.cause); }

private:
    Failure failure_;
};

// A page that exists but cannot be opened.
class PageOpenError : public CommandError {
public:
    PageOpenError(std::string path, ReadFailure reason);
    const std::string &path() const { return failure().path; }
    const ReadFailure &reason() const { return failure().readFailure; }
};

// A pass that stopped because the events asked it to.
class PassStopped : public std::exception {
public:
    const char *what() const noexcept override { return "pass stopped"; }
};

// The text of the standard error dialog: the message, with "." appended when
// its last character has a higher code than ".".
std::string standardErrorText(std::string_view message);

// The operating system's description of an error number (errno), as the
// programs give it for a page that cannot be read.
std::string errnoText(int errorNumber);

} // namespace tavlori
