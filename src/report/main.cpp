// tavlori-report [--term TEXT] [--json] FOLDER
#include "report/report.h"

#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

int main(int argc, char **argv)
{
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    tavlori::ParsedArguments parsed = tavlori::parseReportArguments(args);
    if (parsed.help) {
        std::cout << tavlori::reportUsage() << std::endl;
        return tavlori::ReportClean;
    }
    if (!parsed.error.empty()) {
        std::cerr << parsed.error << " — " << tavlori::reportUsage() << std::endl;
        return tavlori::ReportFailed;
    }
    parsed.options.progress = ::isatty(STDERR_FILENO) == 1;
    return tavlori::runReport(parsed.options, std::cout, std::cerr);
}
