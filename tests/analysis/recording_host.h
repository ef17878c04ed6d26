#pragma once
// A Host for engine tests: records what the engine asks of the window, in order.
#include "analysis/host.h"

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tavlori::test {

class RecordingHost : public Host {
public:
    // "beep", "missing <name>", "error <message>", "process", in call order.
    // Progress reports go to `progressCalls` only, so that event sequences
    // stay readable.
    std::vector<std::string> events;
    std::vector<std::pair<std::size_t, std::size_t>> progressCalls;
    // Runs inside processMessages, to look at the workspace at that point.
    std::function<void()> onProcessMessages;

    void beep() override { events.push_back("beep"); }
    void missingPage(const std::string &name) override { events.push_back("missing " + name); }
    void showError(const std::string &message) override { events.push_back("error " + message); }
    void processMessages() override
    {
        events.push_back("process");
        if (onProcessMessages)
            onProcessMessages();
    }
    void progress(std::size_t done, std::size_t total) override
    {
        progressCalls.emplace_back(done, total);
    }

    void clear()
    {
        events.clear();
        progressCalls.clear();
    }
};

} // namespace tavlori::test
