#pragma once
// What the engine asks of the window that runs it. The window implements it;
// tests and the report command replace it.
#include <cstddef>
#include <string>

namespace tavlori {

class Host {
public:
    virtual ~Host() = default;
    // The system's default sound.
    virtual void beep() = 0;
    // The missing-page dialog: title "エラー", error icon, `name` followed by
    // "がありません。", one button "はい(&Y)". Returns when it is closed.
    virtual void missingPage(const std::string &name) = 0;
    // The standard error dialog for a failure that stopped a command.
    virtual void showError(const std::string &message) = 0;
    // Processes pending window messages: the window repaints; user input waits
    // until the running command has ended.
    virtual void processMessages() = 0;
    // Progress of a long pass: `done` of `total` pages (or, while the request
    // list is indexed before the unrequested pages are sought, of its rows).
    virtual void progress(std::size_t done, std::size_t total) = 0;
};

// A host that shows nothing and runs nothing: for programs without a window
// (benchmarks, tests that only look at the lists).
class SilentHost : public Host {
public:
    void beep() override {}
    void missingPage(const std::string &) override {}
    void showError(const std::string &) override {}
    void processMessages() override {}
    void progress(std::size_t, std::size_t) override {}
};

} // namespace tavlori
