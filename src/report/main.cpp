// tavlori-report [--term TEXT] [--json] FOLDER
// tavlori-report --help | --version
#include "report/report.h"
#include "report/reporttexts.h"
#include "tavlori_version.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

int main(int argc, char **argv)
{
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    // --version anywhere before "--" answers alone, like --help.
    const auto optionsEnd = std::find(args.begin(), args.end(), "--");
    if (std::find(args.begin(), optionsEnd, "--version") != optionsEnd) {
        std::cout << "tavlori-report " TAVLORI_VERSION << std::endl;
        return tavlori::ReportClean;
    }
    tavlori::ParsedArguments parsed = tavlori::parseReportArguments(args);
    if (parsed.help) {
        std::cout << tavlori::reportUsage() << '\n' << tavlori::reporttexts::usageAlternative() << std::endl;
        return tavlori::ReportClean;
    }
    if (!parsed.error.empty()) {
        std::cerr << parsed.error << " — " << tavlori::reportUsage() << std::endl;
        return tavlori::ReportFailed;
    }
    parsed.options.progress = ::isatty(STDERR_FILENO) == 1;
    return tavlori::runReport(parsed.options, std::cout, std::cerr);
}
