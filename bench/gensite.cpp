// gensite OUTDIR PAGES [SEED]: writes a deterministic web site for the
// benchmarks.
//
// OUTDIR gets PAGES pages of its own (the pages an investigation scans) and
// subfolders holding about one page more per hundred (link targets, with
// "../" links back). Pages are 2-20 KB of English or Japanese text, most of
// them small. Links go to the navigation pages, to nearby pages and, one in
// five, anywhere; they are of every kind the investigation takes: relative
// links with and without fragments, links into subfolders, "../OUTDIR/" links
// that come back into the site, onmouseover, iframe src, background,
// "&&&"-joined values, range patterns, anchors present and absent, and links
// to pictures and files that are no pages.
//
// About 2% of the page links name a target of their own that is nowhere (a
// missing page, a missing anchor or a web address); the first two are broken
// links, a web address never is. About 5% of the pages
// are linked from nowhere. The exact counts go to OUTDIR/gensite.txt, so a
// benchmark can check what the investigation found:
//   pages N / subfolder_pages N / bytes N / links N / broken N / unrequested N / seed N
// The same arguments always give the same bytes.
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

// splitmix64: the same sequence on every platform and standard library.
class Random {
public:
    explicit Random(std::uint64_t seed)
        : state_(seed)
    {
    }
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
    // true with probability percent / 100
    bool percent(unsigned p) { return below(10000) < p * 100; }
    // true with probability perMille / 1000
    bool perMille(unsigned p) { return below(1000) < p; }
    double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }

private:
    std::uint64_t state_;
};

const char *const kEnglish[] = {
    "Our workshop opened its doors again after the long winter break.",
    "Every chair is made from chestnut that dried for three years in the shed.",
    "The spring exhibition drew more visitors than we had chairs for.",
    "Please write to us if a drawer sticks; we will come and plane it.",
    "The oil finish darkens a little in the first months, which is intended.",
    "Orders placed this month will be delivered before the rainy season.",
    "We thank everyone who joined the weekend class on hand-cut joints.",
    "A table top is glued from boards whose grain runs the same way.",
    "The old catalogue is kept below for those who asked for it.",
    "Prices include delivery within the prefecture and one year of repairs.",
};

const char *const kJapanese[] = {
    "長い冬休みのあと、工房をふたたび開けました。",
    "椅子はどれも、小屋で三年乾かした栗の木から作っています。",
    "春の展示会には、椅子の数よりも多くの方にお越しいただきました。",
    "引き出しが固くなったらご連絡ください。伺って削り直します。",
    "オイル仕上げは最初の数か月で少し色が濃くなりますが、それが持ち味です。",
    "今月のご注文は梅雨入り前にお届けします。",
    "週末の手刻み継ぎ手教室にご参加くださった皆さま、ありがとうございました。",
    "天板は木目の向きをそろえた板を接いで作ります。",
    "古いカタログをご希望の方のために、下に残してあります。",
    "価格には県内の配送と一年間の修理が含まれています。",
};

struct Site {
    fs::path dir;
    std::string dirName; // the folder's own name, for "../NAME/" links
    std::size_t pages = 0;
    std::vector<std::string> names;     // top-level page names, by index
    std::vector<bool> unrequested;      // linked from nowhere
    std::vector<std::size_t> requested; // indexes of the other pages
    std::vector<std::string> subPages;  // "secNNN/qNNN.html"
    std::uint64_t bytes = 0;
    std::uint64_t links = 0;
    std::uint64_t deadTargets = 0; // links to targets that are nowhere, numbered in order
    std::uint64_t broken = 0;      // those of them that are broken links
};

std::string pageName(std::size_t i)
{
    char buffer[64];
    if (i % 20 == 7)
        std::snprintf(buffer, sizeof buffer, "お知らせ%06zu.html", i);
    else if (i % 10 == 3)
        std::snprintf(buffer, sizeof buffer, "p%06zu.htm", i);
    else
        std::snprintf(buffer, sizeof buffer, "p%06zu.html", i);
    return buffer;
}

class PageWriter {
public:
    PageWriter(Site &site, Random &random)
        : site_(site)
        , random_(random)
    {
    }

    // The position, among the requested pages, of the page being written:
    // links favour its neighbours.
    void setPosition(std::size_t position) { position_ = position; }

    // A requested page to link to: as on real sites, most links go to the
    // navigation (the first dozen pages) or to nearby pages, some anywhere.
    const std::string &target()
    {
        const std::vector<std::size_t> &requested = site_.requested;
        const std::size_t n = requested.size();
        const std::size_t roll = random_.below(100);
        std::size_t k;
        if (roll < 30) {
            k = random_.below(std::min<std::size_t>(12, n));
        } else if (roll < 80) {
            const std::size_t step = random_.below(201); // -100 .. +100
            k = (position_ + n * 101 + step - 100) % n;
        } else {
            k = random_.below(n);
        }
        return site_.names[requested[k]];
    }

    // One link (or a piece of markup that links to no page).
    void link(std::string &out, std::size_t pageIndex)
    {
        if (random_.percent(2)) {
            brokenLink(out);
            return;
        }
        const std::size_t kind = random_.below(100);
        char buffer[256];
        if (kind < 40) {
            out += "<a href=\"" + target() + "\">" + word() + "</a>\n";
            ++site_.links;
        } else if (kind < 50) {
            out += "<a href=\"" + target() + "#sec" + std::to_string(random_.below(5)) + "\">" + word()
                   + "</a>\n";
            ++site_.links;
        } else if (kind < 58) {
            out += "<a href=\"../" + site_.dirName + "/" + target() + "\">" + word() + "</a>\n";
            ++site_.links;
        } else if (kind < 66) {
            out += "<a href=\"" + site_.subPages[random_.below(site_.subPages.size())] + "\">" + word()
                   + "</a>\n";
            ++site_.links;
        } else if (kind < 74) {
            std::snprintf(buffer, sizeof buffer, "<img src=\"img/p%03zu.gif\" onmouseover=\"swap(this,'",
                          random_.below(1000));
            out += buffer + target() + "')\" alt=\"\">\n";
            ++site_.links;
        } else if (kind < 78) {
            out += "<iframe src=\"" + target() + "\" width=\"200\" height=\"80\"></iframe>\n";
            ++site_.links;
        } else if (kind < 82) {
            out += "<a href=\"" + target() + "&&&" + target() + "\">" + word() + "</a>\n";
            site_.links += 2;
        } else if (kind < 84) {
            out += random_.percent(50) ? "<a href=\"snd/A-Z.wav\">" : "<a href=\"snd/a1-z1.wav\">";
            out += word() + "</a>\n";
        } else if (kind < 87) {
            // An anchor in this page, named like a page, so that the link is taken.
            std::snprintf(buffer, sizeof buffer, "toc%02zu.html", random_.below(40));
            out += "<a name=\"" + std::string(buffer) + "\"></a><a href=\"#" + buffer + "\">" + word()
                   + "</a>\n";
            ++site_.links;
        } else if (kind < 94) {
            std::snprintf(buffer, sizeof buffer, "<img src=\"img/photo%04zu.jpg\" alt=\"%zu\">\n",
                          random_.below(5000), pageIndex);
            out += buffer;
        } else {
            std::snprintf(buffer, sizeof buffer, "<a href=\"files/doc%03zu.pdf\">PDF</a>\n",
                          random_.below(500));
            out += buffer;
        }
    }

    void brokenLink(std::string &out)
    {
        char buffer[128];
        const std::uint64_t n = site_.deadTargets++;
        ++site_.links;
        const std::uint64_t kind = random_.below(4);
        if (kind != 1)
            ++site_.broken;
        switch (kind) {
        case 0:
            std::snprintf(buffer, sizeof buffer, "#lost%06" PRIu64 ".html", n);
            out += std::string("<a href=\"") + buffer + "\">" + word() + "</a>\n";
            break;
        case 1:
            std::snprintf(buffer, sizeof buffer, "http://www.example.com/old/%06" PRIu64 ".htm", n);
            out += std::string("<a href=\"") + buffer + "\">" + word() + "</a>\n";
            break;
        default:
            std::snprintf(buffer, sizeof buffer, "gone%06" PRIu64 ".html", n);
            out += std::string("<a href=\"") + buffer + "\">" + word() + "</a>\n";
            break;
        }
    }

    std::string word()
    {
        static const char *const words[] = {"more",  "next", "詳しく", "次へ",
                                            "photo", "写真", "news",   "お知らせ"};
        return words[random_.below(8)];
    }

    void paragraph(std::string &out, bool japanese)
    {
        out += "<p>";
        const std::size_t sentences = 2 + random_.below(5);
        for (std::size_t s = 0; s < sentences; ++s) {
            out += japanese ? kJapanese[random_.below(10)] : kEnglish[random_.below(10)];
            if (!japanese)
                out += ' ';
        }
        out += "</p>\n";
    }

    // The whole page: head, then paragraphs and links until the page reaches
    // its size; every link that `mustLink` names is placed.
    std::string page(std::size_t index, const std::string &title, const std::vector<std::string> &mustLink,
                     bool topLevel)
    {
        const bool japanese = index % 3 == 0;
        const double r = random_.unit();
        const std::size_t size = 2048 + static_cast<std::size_t>(18432.0 * r * r * r);
        std::string out;
        out.reserve(size + 4096);
        out += "<!DOCTYPE html>\n<html lang=\"";
        out += japanese ? "ja" : "en";
        out += "\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title + "</title>\n";
        out += topLevel ? "<link rel=\"stylesheet\" href=\"style.css\">\n"
                        : "<link rel=\"stylesheet\" href=\"../style.css\">\n";
        out += "</head>\n<body";
        if (topLevel && random_.percent(10)) {
            out += " background=\"" + target() + "\"";
            ++site_.links;
        }
        out += ">\n<h1><a name=\"top\">" + title + "</a></h1>\n";
        std::size_t placed = 0;
        while (out.size() < size || placed < mustLink.size()) {
            paragraph(out, japanese);
            if (placed < mustLink.size()) {
                out += "<p><a href=\"" + mustLink[placed++] + "\">" + word() + "</a></p>\n";
                ++site_.links;
            }
            if (topLevel) {
                const std::size_t count = 1 + random_.below(3);
                for (std::size_t k = 0; k < count; ++k)
                    link(out, index);
            }
        }
        for (std::size_t s = 0; s < 5; ++s)
            out += "<h2><a name=\"sec" + std::to_string(s) + "\">" + std::to_string(s + 1) + "</a></h2>\n";
        out += "<p><a href=\"#top\">top</a></p>\n</body>\n</html>\n";
        return out;
    }

private:
    Site &site_;
    Random &random_;
    std::size_t position_ = 0;
};

bool writeFile(const fs::path &path, const std::string &bytes)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: gensite OUTDIR PAGES [SEED]\n");
        return 2;
    }
    Site site;
    site.dir = argv[1];
    site.pages = std::strtoull(argv[2], nullptr, 10);
    const std::uint64_t seed = argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 1;
    if (site.pages < 2) {
        std::fprintf(stderr, "gensite: PAGES must be at least 2\n");
        return 2;
    }
    std::error_code ec;
    fs::create_directories(site.dir, ec);
    if (ec) {
        std::fprintf(stderr, "gensite: %s: %s\n", argv[1], ec.message().c_str());
        return 1;
    }
    site.dirName = fs::canonical(site.dir).filename().string();
    Random random(seed);

    site.names.reserve(site.pages);
    site.unrequested.assign(site.pages, false);
    for (std::size_t i = 0; i < site.pages; ++i) {
        site.names.push_back(pageName(i));
        // Page 0 is the top page; about one page in twenty is linked from nowhere.
        site.unrequested[i] = i != 0 && random.percent(5);
        if (!site.unrequested[i])
            site.requested.push_back(i);
    }
    const std::size_t folders = std::max<std::size_t>(2, site.pages / 1000);
    for (std::size_t f = 0; f < folders; ++f) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "sec%03zu", f);
        fs::create_directories(site.dir / buffer, ec);
        for (std::size_t q = 0; q < 10; ++q) {
            std::snprintf(buffer, sizeof buffer, "sec%03zu/q%03zu.html", f, q);
            site.subPages.push_back(buffer);
        }
    }

    PageWriter writer(site, random);
    // Every requested page is linked from the requested page before it (the
    // last from the first), so each one is named by some link.
    for (std::size_t k = 0; k < site.requested.size(); ++k) {
        const std::size_t i = site.requested[k];
        const std::size_t next = site.requested[(k + 1) % site.requested.size()];
        writer.setPosition(k);
        const std::string text = writer.page(i, "Page " + std::to_string(i), {site.names[next]}, true);
        if (!writeFile(site.dir / site.names[i], text)) {
            std::fprintf(stderr, "gensite: cannot write %s\n", site.names[i].c_str());
            return 1;
        }
        site.bytes += text.size();
    }
    for (std::size_t i = 0; i < site.pages; ++i) {
        if (!site.unrequested[i])
            continue;
        writer.setPosition(random.below(site.requested.size()));
        const std::string text = writer.page(i, "Old page " + std::to_string(i), {}, true);
        if (!writeFile(site.dir / site.names[i], text))
            return 1;
        site.bytes += text.size();
    }
    const std::uint64_t pageLinks = site.links;
    for (std::size_t s = 0; s < site.subPages.size(); ++s) {
        writer.setPosition(random.below(site.requested.size()));
        const std::vector<std::string> back = {"../" + writer.target(), "../" + writer.target()};
        const std::string text = writer.page(s, "Section page " + std::to_string(s), back, false);
        if (!writeFile(site.dir / site.subPages[s], text))
            return 1;
    }
    writeFile(site.dir / "style.css", "body { font-family: sans-serif; }\n");

    std::size_t unrequested = site.pages - site.requested.size();
    char manifest[512];
    std::snprintf(manifest, sizeof manifest,
                  "pages %zu\nsubfolder_pages %zu\nbytes %" PRIu64 "\nlinks %" PRIu64 "\nbroken %" PRIu64
                  "\nunrequested %zu\nseed %" PRIu64 "\n",
                  site.pages, site.subPages.size(), site.bytes, pageLinks, site.broken, unrequested, seed);
    if (!writeFile(site.dir / "gensite.txt", manifest))
        return 1;
    std::fputs(manifest, stdout);
    return 0;
}
