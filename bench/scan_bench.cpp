// Range expansion and link extraction over adversarial and ordinary page
// texts built in memory. Prints, per text, the best of a few runs: time,
// throughput of the input, size of the expanded text and links found.
#include "analysis/expand.h"
#include "analysis/extract.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kTenMegabytes = 10 * 1000 * 1000;

std::string repeated(const std::string &piece, std::size_t times)
{
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

// A piece padded with filler text to `size` bytes.
std::string padded(std::string piece, std::size_t size)
{
    while (piece.size() < size)
        piece += piece.size() % 10 == 9 ? ' ' : 'x';
    return piece;
}

struct Workload {
    std::string name;
    std::string text;
};

std::vector<Workload> workloads()
{
    std::vector<Workload> loads;

    // One opening double quote and then none: every href= value search and
    // every skip to an opening quote would run to the end of the page.
    loads.push_back({"10 MB, 100000 href= without closing quote",
                     "<a href=\"" + repeated(padded("<a href=page.htm>link</a> ", 100), 100000)});

    // The same for the extraction passes alone (no href= for the expansion).
    loads.push_back({"10 MB, 100000 src= without closing quote",
                     "<img src=\"" + repeated(padded("<img src=pic.htm alt=x> ", 100), 100000)});

    // One value holding 1000000 member separators.
    loads.push_back({"1000000 &&& in one value", "<a href=\"" + repeated("a.htm&&&", 1000000) + "\">"});

    // One value holding 20000 range patterns of the last kind (every earlier
    // pattern is looked for in the whole value first).
    loads.push_back({"20000 a3-z3.wav in one value", "<a href=\"" + repeated("s/a3-z3.wav|", 20000) + "\">"});

    // onmouseover= with no comma, no double quote and no single quote after it.
    loads.push_back({"10 MB, 100000 onmouseover= without , \" '",
                     repeated(padded("<img onmouseover=show(this) src=a.gif> ", 100), 100000)});

    // An ordinary page repeated up to 10 MB.
    const std::string page =
        "<html><head><title>店舗案内</title>\r\n"
        "<link rel=\"stylesheet\" href=\"style.css\">\r\n"
        "<script src=\"menu.js\"></script></head>\r\n"
        "<body background=\"img/bg.gif\">\r\n"
        "<table><tr><td background=\"frame.htm\">\r\n"
        "<a href=\"index.html\">トップ</a> | <a href=\"list/item.html#part2\">商品一覧</a>\r\n"
        "<a href=\"../about.htm\" onmouseover=\"tip(this,'help.htm')\">会社案内</a>\r\n"
        "<img src=\"img/logo.png\" alt=\"ロゴ\"> <iframe src=\"news.htm\"></iframe>\r\n"
        "<a href=\"snd/A-Z.wav\">音</a> <a href=\"p.htm&&&q.htm\">二つ</a>\r\n"
        "<p>本文の段落です。リンクのない文章も、ある程度の長さで続きます。</p>\r\n"
        "<a href=\"http://example.com/a.html\">外部</a></td></tr></table></body></html>\r\n";
    loads.push_back({"ordinary page repeated to 10 MB", repeated(page, kTenMegabytes / page.size())});

    return loads;
}

} // namespace

int main()
{
    using Clock = std::chrono::steady_clock;
    std::printf("%-44s %10s %10s %12s %10s\n", "text", "ms", "MB/s", "expanded MB", "links");
    for (const Workload &load : workloads()) {
        double bestSeconds = 1e9;
        std::size_t expandedSize = 0;
        std::size_t links = 0;
        for (int run = 0; run < 3; ++run) {
            const auto start = Clock::now();
            const std::string expanded = tavlori::expandLinkValues(load.text);
            std::size_t found = 0;
            tavlori::extractLinks(expanded, [&](std::string_view) { ++found; });
            const std::chrono::duration<double> took = Clock::now() - start;
            bestSeconds = std::min(bestSeconds, took.count());
            expandedSize = expanded.size();
            links = found;
        }
        const double megabytes = load.text.size() / 1e6;
        std::printf("%-44s %10.1f %10.1f %12.1f %10zu\n", load.name.c_str(), bestSeconds * 1e3,
                    megabytes / bestSeconds, expandedSize / 1e6, links);
    }
    return 0;
}
