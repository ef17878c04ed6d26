#pragma once
// What the engine tells the program that runs it while a command runs: what
// happened, never what to show. The window turns these events into beeps,
// dialogs and repaints; the report command into its list of missing pages
// and its progress line; tests record them.
#include <cstddef>
#include <string>

namespace tavlori {

// The stretches of work that report progress.
enum class Phase {
    ListingPages,       // a folder's entries are read; `done` entries so far, no total
    Pages,              // the search or link pass: `done` of `total` pages
    IndexingRequests,   // the request list is indexed before the unrequested pages are sought: rows
    SeekingUnrequested, // the page list is compared with the request list: pages
};

// The points a command passes, in the order it passes them.
enum class Step {
    PageListRead,            // a change of folder has listed the new folder's pages
    LinkPassFinished,        // every selected page's links are in the request list
    UnrequestedPagesCleared, // the unrequested pages are emptied before they are sought again
    UnrequestedPagesFound,   // the unrequested pages are listed, not yet selected
    InvestigationFinished,   // the unrequested pages are selected and the counts set
};

class EngineEvents {
public:
    virtual ~EngineEvents() = default;
    // A selected page of the page list is not there any more; the pass goes
    // on with the next page.
    virtual void pageMissing(const std::string &name) { (void)name; }
    // Progress of `phase`; a phase starts with `done` 0.
    virtual void progress(Phase phase, std::size_t done, std::size_t total)
    {
        (void)phase;
        (void)done;
        (void)total;
    }
    virtual void reached(Step step) { (void)step; }
    // Asked by the search and link passes before each page: true stops the
    // pass there, as a page that cannot be opened does (PassStopped is
    // thrown, the lists keep what was entered, the closing steps do not run).
    virtual bool shouldStop() { return false; }
};

} // namespace tavlori
