#pragma once
// tavlori-report: one link investigation of a folder, without the window,
// printed as a readable Japanese report or as one JSON object.
#include "analysis/results.h"
#include "analysis/workspace.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace tavlori {

struct ReportOptions {
    std::string folder;
    std::string term{kDefaultSearchTerm}; // the search term, as the window's starts
    bool json = false;
    bool progress = false; // a "\r"-updated "n / m" line on the error stream
};

// Exit statuses of the command.
enum ReportStatus : int {
    ReportClean = 0,       // ran, no broken link
    ReportBrokenLinks = 1, // ran, found broken links
    ReportFailed = 2,      // usage, folder or page failure
};

struct ParsedArguments {
    ReportOptions options;
    bool help = false;
    std::string error; // not empty: a usage error
};

// `args` without the program name.
ParsedArguments parseReportArguments(const std::vector<std::string> &args);

// The broken links grouped by page: each page once, in the order of its
// first link, as "  PAGE", then its links in list order, each as
// "    → LINK". Lines end with LF.
void printBrokenLinksByPage(std::ostream &out, const std::vector<BrokenLink> &broken);

// The usage line.
std::string reportUsage();

// Enters options.folder (it becomes the process's current directory), lists
// its pages, runs the investigation and prints the result on `out`. Failures
// go to `err` as one line. Returns a ReportStatus.
int runReport(const ReportOptions &options, std::ostream &out, std::ostream &err);

} // namespace tavlori
