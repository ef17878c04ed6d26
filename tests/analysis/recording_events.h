#pragma once
// EngineEvents for engine tests: records what the engine reports, in order.
#include "analysis/events.h"

#include <cstddef>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace tavlori::test {

inline std::string stepName(Step step)
{
    switch (step) {
    case Step::PageListRead:
        return "page list read";
    case Step::LinkPassFinished:
        return "link pass finished";
    case Step::UnrequestedPagesCleared:
        return "unrequested cleared";
    case Step::UnrequestedPagesFound:
        return "unrequested found";
    case Step::InvestigationFinished:
        return "investigation finished";
    }
    return "?";
}

class RecordingEvents : public EngineEvents {
public:
    // "missing <name>" and the steps reached (stepName), in order. Progress
    // goes to `progressCalls` (pages and rows) and `entriesListed` only, so
    // that event sequences stay readable.
    std::vector<std::string> events;
    std::vector<std::pair<std::size_t, std::size_t>> progressCalls;
    std::size_t entriesListed = 0;
    // Runs when a step is reached, to look at the workspace at that point.
    std::function<void(Step)> onReached;
    // shouldStop answers true from this question on (0-based).
    std::size_t stopAtQuestion = std::numeric_limits<std::size_t>::max();
    std::size_t stopQuestions = 0;

    void pageMissing(const std::string &name) override { events.push_back("missing " + name); }
    void progress(Phase phase, std::size_t done, std::size_t total) override
    {
        if (phase == Phase::ListingPages)
            entriesListed = done;
        else
            progressCalls.emplace_back(done, total);
    }
    void reached(Step step) override
    {
        events.push_back(stepName(step));
        if (onReached)
            onReached(step);
    }
    bool shouldStop() override { return stopQuestions++ >= stopAtQuestion; }

    void clear()
    {
        events.clear();
        progressCalls.clear();
    }
};

} // namespace tavlori::test
