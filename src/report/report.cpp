#include "report/report.h"

#include "analysis/events.h"
#include "analysis/workspace.h"
#include "platform/pagefiles.h"
#include "report/json.h"
#include "report/reporttexts.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>

namespace tavlori {

namespace {

// What the report makes of the engine's events: missing pages are remembered
// for the report, progress goes to a line on the error stream.
class ReportEvents final : public EngineEvents {
public:
    ReportEvents(std::ostream &err, bool showProgress)
        : err_(err)
        , showProgress_(showProgress)
    {
    }

    std::vector<std::string> missing;

    void pageMissing(const std::string &name) override { missing.push_back(name); }

    // Pages and rows, counted; a folder's entries come without a total.
    void progress(Phase phase, std::size_t done, std::size_t total) override
    {
        if (!showProgress_ || phase == Phase::ListingPages)
            return;
        // About two hundred updates a pass, whatever its length.
        const std::size_t step = total / 200 + 1;
        if (done != total && done % step != 0)
            return;
        std::string line = std::to_string(done) + " / " + std::to_string(total);
        // A shorter line is padded so nothing of the one before shows.
        const std::size_t width = line.size();
        if (width < shownWidth_)
            line.append(shownWidth_ - width, ' ');
        shownWidth_ = width;
        err_ << '\r' << line << std::flush;
    }

    // Ends the progress line, so that what follows starts on a line of its
    // own and the terminal is left after a line break.
    void endProgress()
    {
        if (shownWidth_ == 0)
            return;
        err_ << '\n' << std::flush;
        shownWidth_ = 0;
    }

private:
    std::ostream &err_;
    bool showProgress_;
    std::size_t shownWidth_ = 0;
};

struct PageError {
    std::string page;
    std::string message;
};

// The page name of a page path built as baseFolder, separator, name.
std::string pageNameOf(const Workspace &workspace, const std::string &path)
{
    const std::string prefix = workspace.pagePath("");
    if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0)
        return path.substr(prefix.size());
    return path;
}

// Buffered JSON output: the text is handed to the stream in large pieces.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream &out)
        : out_(out)
    {
    }
    ~JsonWriter() { flush(); }

    void raw(std::string_view text)
    {
        buffer_ += text;
        maybeFlush();
    }
    void string(std::string_view text)
    {
        appendJsonString(buffer_, text);
        maybeFlush();
    }
    void key(std::string_view name)
    {
        raw(first_ ? "\n  " : ",\n  ");
        first_ = false;
        string(name);
        raw(": ");
    }
    // The items of `items` as a JSON array, each written by `write`.
    template <typename Items, typename Write>
    void array(const Items &items, Write write)
    {
        raw("[");
        bool first = true;
        for (const auto &item : items) {
            raw(first ? "\n    " : ",\n    ");
            first = false;
            write(item);
        }
        raw(first ? "]" : "\n  ]");
    }
    void stringArray(const std::vector<std::string> &rows)
    {
        array(rows, [this](const std::string &row) { string(row); });
    }
    void flush()
    {
        out_ << buffer_;
        buffer_.clear();
    }

private:
    void maybeFlush()
    {
        if (buffer_.size() >= 1 << 16)
            flush();
    }
    std::ostream &out_;
    std::string buffer_;
    bool first_ = true;
};

void printJson(std::ostream &out, const Workspace &ws, const ReportEvents &reported, const PageError *error)
{
    JsonWriter json(out);
    json.raw("{");
    json.key("base");
    json.string(ws.baseFolder());
    json.key("pages");
    json.stringArray(ws.pageList().rows());
    json.key("search");
    json.array(ws.searchColumn(), [&json](SearchHit hit) { json.string(searchHitText(hit)); });
    json.key("requests");
    json.stringArray(ws.requestList().rows());
    json.key("broken");
    json.array(ws.brokenLinks(), [&json](const BrokenLink &broken) {
        json.raw("[");
        json.string(broken.page);
        json.raw(", ");
        json.string(broken.link);
        json.raw("]");
    });
    json.key("unrequested");
    json.stringArray(ws.unrequestedPages().rows());
    json.key("missing");
    json.stringArray(reported.missing);
    if (error) {
        json.key("error");
        json.raw("{\"page\": ");
        json.string(error->page);
        json.raw(", \"message\": ");
        json.string(error->message);
        json.raw("}");
    }
    json.raw("\n}\n");
}

void printText(std::ostream &out, const Workspace &ws, const ReportEvents &reported, const PageError *error)
{
    const RowList &pages = ws.pageList();
    out << reporttexts::kBaseFolder << ws.baseFolder() << '\n';
    out << reporttexts::kPageCount << pages.size() << '\n';

    // The search column has one hit per page of the page list.
    std::vector<std::string_view> found;
    const std::size_t rows = std::min(ws.searchColumn().size(), pages.size());
    for (std::size_t i = 0; i < rows; ++i) {
        if (ws.searchColumn()[i] == SearchHit::Found)
            found.push_back(pages.row(i));
    }
    out << '\n' << reporttexts::pagesWithTerm(ws.searchTerm()) << found.size() << '\n';
    for (std::string_view page : found)
        out << "  " << page << '\n';

    out << '\n' << reporttexts::kBrokenLinks << ws.brokenLinks().size() << '\n';
    printBrokenLinksByPage(out, ws.brokenLinks().items());

    const RowList &unrequested = ws.unrequestedPages();
    out << '\n' << reporttexts::kUnrequestedPages << unrequested.size() << '\n';
    for (const std::string &row : unrequested.rows())
        out << "  " << row << '\n';

    if (!reported.missing.empty()) {
        out << '\n' << reporttexts::kMissingPages << reported.missing.size() << '\n';
        for (const std::string &name : reported.missing)
            out << "  " << reporttexts::missingPage(name) << '\n';
    }

    out << '\n' << reporttexts::kRequestCount << ws.requestList().size() << '\n';
    out << reporttexts::kUnrequestedCount << unrequested.size() << '\n';
    if (error)
        out << '\n' << reporttexts::kStopped << error->message << '\n';
}

} // namespace

void printBrokenLinksByPage(std::ostream &out, const std::vector<BrokenLink> &broken)
{
    // One pass numbers the groups in the order their pages first appear, a
    // counting sort lays the links out group by group, keeping list order
    // within each.
    const std::size_t pairs = broken.size();
    std::unordered_map<std::string_view, std::size_t> groupOf;
    groupOf.reserve(pairs);
    std::vector<std::size_t> group(pairs);
    std::vector<std::size_t> groupEnd; // first a count per group, then where it ends
    std::vector<std::size_t> firstRow; // the row that opens each group
    for (std::size_t i = 0; i < pairs; ++i) {
        const auto [it, added] = groupOf.try_emplace(broken[i].page, groupEnd.size());
        if (added) {
            groupEnd.push_back(0);
            firstRow.push_back(i);
        }
        group[i] = it->second;
        ++groupEnd[it->second];
    }
    std::size_t start = 0;
    for (std::size_t &slot : groupEnd)
        start += std::exchange(slot, start);
    std::vector<std::size_t> order(pairs);
    for (std::size_t i = 0; i < pairs; ++i)
        order[groupEnd[group[i]]++] = i;
    std::size_t at = 0;
    for (std::size_t g = 0; g < firstRow.size(); ++g) {
        out << "  " << broken[firstRow[g]].page << '\n';
        for (; at < groupEnd[g]; ++at)
            out << reporttexts::kLinkArrow << broken[order[at]].link << '\n';
    }
}

std::string reportUsage()
{
    return reporttexts::usage();
}

ParsedArguments parseReportArguments(const std::vector<std::string> &args)
{
    ParsedArguments parsed;
    bool haveFolder = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--json") {
            parsed.options.json = true;
        } else if (!optionsEnded && arg == "--term") {
            if (i + 1 == args.size()) {
                parsed.error = reporttexts::termWithoutText();
                return parsed;
            }
            parsed.options.term = args[++i];
        } else if (!optionsEnded && arg.starts_with("--term=")) {
            parsed.options.term = arg.substr(7);
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            parsed.help = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            parsed.error = reporttexts::unknownOption(arg);
            return parsed;
        } else if (haveFolder) {
            parsed.error = reporttexts::secondFolder();
            return parsed;
        } else {
            parsed.options.folder = arg;
            haveFolder = true;
        }
    }
    if (!haveFolder && !parsed.help)
        parsed.error = reporttexts::noFolder();
    return parsed;
}

int runReport(const ReportOptions &options, std::ostream &out, std::ostream &err)
{
    // Entering the folder: it becomes the current directory, and the base
    // folder is what the system then reports as the current directory (the
    // name of the folder itself, whatever links led to it).
    std::error_code ec;
    std::filesystem::current_path(options.folder, ec);
    std::string base;
    if (!ec)
        base = std::filesystem::current_path(ec).string();
    if (ec) {
        err << options.folder << ": " << standardErrorText(reporttexts::folderError(ec.value())) << std::endl;
        return ReportFailed;
    }

    ReportEvents reported(err, options.progress);
    Workspace ws(reported, platform::pageFiles());
    ws.setSearchTerm(options.term);
    try {
        ws.readPageList(base);
    } catch (const CommandError &e) {
        err << base << ": " << standardErrorText(reporttexts::failure(e.failure())) << std::endl;
        return ReportFailed;
    }
    ws.start(base);

    PageError error;
    bool failed = false;
    try {
        ws.investigateLinks();
    } catch (const PageOpenError &e) {
        failed = true;
        error.page = pageNameOf(ws, e.path());
        error.message = standardErrorText(reporttexts::failure(e.failure()));
    } catch (const CommandError &e) {
        failed = true;
        error.message = standardErrorText(reporttexts::failure(e.failure()));
    }
    reported.endProgress();

    if (options.json)
        printJson(out, ws, reported, failed ? &error : nullptr);
    else
        printText(out, ws, reported, failed ? &error : nullptr);
    out.flush();

    if (failed) {
        err << error.message << std::endl;
        return ReportFailed;
    }
    return ws.brokenLinks().empty() ? ReportClean : ReportBrokenLinks;
}

} // namespace tavlori
