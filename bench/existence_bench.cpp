// Existence of link targets: stat against the answers from directory
// listings (ListingExistence), on a generated site of 20,000 pages in one
// folder and 20 subfolders of 100 pages, six folders below the top of the
// temporary folder. The questions are those an investigation asks: about
// 100,000 absolute paths of link targets, most of them missing pages in a few
// folders, the rest existing pages, some through "../" and a few in missing
// folders. Prints, per method, the best of a few runs: time, time per
// question, the answers that differ from stat's and the system calls made.
//
//   build/bench/existence_bench [QUESTIONS]
#include "platform/listingexistence.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <malloc.h>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using tavlori::platform::ListingExistence;

constexpr int kPages = 20000;
constexpr int kFolders = 20;
constexpr int kPagesPerFolder = 100;

std::string page(int n)
{
    return "page" + std::to_string(n) + ".html";
}

std::string makeSite(const fs::path &top)
{
    const fs::path site = top / "home" / "user" / "www" / "archive" / "2024" / "site";
    if (fs::exists(site / "done"))
        return site.string();
    fs::remove_all(top);
    fs::create_directories(site);
    for (int i = 0; i < kPages; ++i)
        std::ofstream(site / page(i)) << "<html></html>";
    for (int f = 0; f < kFolders; ++f) {
        const fs::path folder = site / ("sec" + std::to_string(f));
        fs::create_directory(folder);
        for (int i = 0; i < kPagesPerFolder; ++i)
            std::ofstream(folder / page(i)) << "<html></html>";
    }
    fs::create_directory(site / "img");
    std::ofstream(site / "done");
    return site.string();
}

std::vector<std::string> questions(const std::string &site, std::size_t count)
{
    std::mt19937 random(12);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::vector<std::string> out;
    out.reserve(count);
    const std::string up = "/../" + fs::path(site).filename().string() + "/";
    while (out.size() < count) {
        const int kind = below(100);
        const std::string folder = "/sec" + std::to_string(below(kFolders)) + "/";
        if (kind < 30) // an existing page
            out.push_back(site + "/" + page(below(kPages)));
        else if (kind < 70) // a missing page beside the pages
            out.push_back(site + "/" + page(kPages + below(10 * kPages)));
        else if (kind < 80) // a page in a subfolder, there or not
            out.push_back(site + folder + page(below(2 * kPagesPerFolder)));
        else if (kind < 90) // back into the site through its parent
            out.push_back(site + folder + ".." + up + page(below(2 * kPages)));
        else if (kind < 95) // a missing subfolder
            out.push_back(site + "/missing" + std::to_string(below(50)) + "/" + page(below(kPages)));
        else // a picture folder with nothing named like pages
            out.push_back(site + "/img/" + page(below(kPages)));
    }
    return out;
}

template <class Answer>
double bestSeconds(int runs, Answer &&answer, std::size_t &yes)
{
    double best = 1e9;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        yes = answer();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

void print(const char *method, double seconds, std::size_t count, std::size_t yes, std::size_t differ)
{
    std::printf("%-34s %9.1f ms %8.0f ns/question %7zu files %3zu differ\n", method, seconds * 1e3,
                seconds * 1e9 / static_cast<double>(count), yes, differ);
}

} // namespace

int main(int argc, char **argv)
{
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const char *tmp = std::getenv("TMPDIR");
    const fs::path top = fs::path(tmp != nullptr ? tmp : "/tmp") / "tavlori-bench" / "existence";
    const std::string site = makeSite(top);
    const std::vector<std::string> asked = questions(site, count);
    std::printf("%zu questions on %d pages in %s and %d folders of %d\n", asked.size(), kPages, site.c_str(),
                kFolders, kPagesPerFolder);

    std::vector<char> truth(asked.size());
    std::size_t yes = 0;
    const double statSeconds = bestSeconds(
        5,
        [&] {
            std::size_t files = 0;
            for (std::size_t i = 0; i < asked.size(); ++i) {
                struct stat info;
                truth[i] = ::stat(asked[i].c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
                files += truth[i];
            }
            return files;
        },
        yes);
    print("stat", statSeconds, asked.size(), yes, 0);

    for (const auto reading :
         {ListingExistence::Reading::Listings, ListingExistence::Reading::NamesOneByOne}) {
        const bool listings = reading == ListingExistence::Reading::Listings;
        ListingExistence cache(reading);
        std::size_t differ = 0;
        auto pass = [&] {
            std::size_t files = 0;
            differ = 0;
            for (std::size_t i = 0; i < asked.size(); ++i) {
                const bool answer = cache.isFile(asked[i]);
                files += answer;
                differ += answer != static_cast<bool>(truth[i]);
            }
            return files;
        };
        // A pass from nothing read: every folder is read on the way.
        const double cold = bestSeconds(
            5,
            [&] {
                cache.clear();
                return pass();
            },
            yes);
        print(listings ? "listings, new pass" : "names one by one, new pass", cold, asked.size(), yes,
              differ);
        const ListingExistence::Counters before = cache.counters();
        // The same questions again in the same pass: no folder read again.
        const double warm = bestSeconds(5, pass, yes);
        print(listings ? "listings, same pass again" : "names one by one, same pass again", warm,
              asked.size(), yes, differ);
        const ListingExistence::Counters after = cache.counters();
        // One new pass measured alone, by a new instance, for its system
        // calls and the heap it keeps.
        malloc_trim(0);
        // Blocks in use, with those large enough to get pages of their own.
        auto heapInUse = [] { return mallinfo2().uordblks + mallinfo2().hblkhd; };
        const std::size_t heapBefore = heapInUse();
        ListingExistence fresh(reading);
        for (const std::string &path : asked)
            fresh.isFile(path);
        const ListingExistence::Counters end = fresh.counters();
        const ListingExistence::Counters start{};
        const double heap = static_cast<double>(heapInUse() - heapBefore) / (1024.0 * 1024.0);
        std::printf("  one pass: %zu folders read, %zu names stated, %zu paths stated, heap %.2f MiB; "
                    "again: %zu system calls\n",
                    end.directoriesRead - start.directoriesRead, end.namesStated - start.namesStated,
                    end.pathsStated - start.pathsStated, heap,
                    (after.directoriesRead - before.directoriesRead)
                        + (after.namesStated - before.namesStated)
                        + (after.pathsStated - before.pathsStated));
    }
    return 0;
}
