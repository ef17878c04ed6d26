// UTF-8 validation and page-text decoding over texts built in memory:
// Japanese prose in HTML, English prose in HTML, and English pages sprinkled
// with short Japanese words (as the generated sites have them). Prints, per
// text, taken as pages of 16 KB as the investigation reads them, the best of
// a few runs in MB/s for
//   - the byte-by-byte validator this engine used before (kept here only as
//     the point of comparison),
//   - isWellFormedUtf8,
//   - pageTextFromBytes (validation, NUL cut and line breaks made CR LF).
#include "analysis/pagetext.h"
#include "analysis/utf8.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kTextBytes = 8 * 1000 * 1000;

std::uint64_t load8(const unsigned char *p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

int firstSetByte(std::uint64_t bits)
{
    if constexpr (std::endian::native == std::endian::little)
        return std::countr_zero(bits) / 8;
    else
        return std::countl_zero(bits) / 8;
}

// The earlier validator: an ASCII run sixteen bytes at a time, and every
// other sequence checked by its lead byte with branches.
bool byteByByteWellFormed(std::string_view bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const unsigned char *const end = p + bytes.size();
    auto isContinuation = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            while (end - p >= 16) {
                const std::uint64_t first = load8(p) & kHighBits;
                const std::uint64_t second = load8(p + 8) & kHighBits;
                if ((first | second) != 0) {
                    p += first != 0 ? firstSetByte(first) : 8 + firstSetByte(second);
                    break;
                }
                p += 16;
            }
            continue;
        }
        const std::ptrdiff_t left = end - p;
        if (c >= 0xC2 && c <= 0xDF) {
            if (left < 2 || !isContinuation(p[1]))
                return false;
            p += 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            if (left < 3)
                return false;
            const unsigned char lo = c == 0xE0 ? 0xA0 : 0x80;
            const unsigned char hi = c == 0xED ? 0x9F : 0xBF;
            if (p[1] < lo || p[1] > hi || !isContinuation(p[2]))
                return false;
            p += 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            if (left < 4)
                return false;
            const unsigned char lo = c == 0xF0 ? 0x90 : 0x80;
            const unsigned char hi = c == 0xF4 ? 0x8F : 0xBF;
            if (p[1] < lo || p[1] > hi || !isContinuation(p[2]) || !isContinuation(p[3]))
                return false;
            p += 4;
        } else {
            return false;
        }
    }
    return true;
}

std::uint64_t state = 0x9E3779B97F4A7C15ULL;
std::size_t below(std::size_t n)
{
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<std::size_t>(state % n);
}

const char *const kJapanese[] = {
    "長い冬休みのあと、工房をふたたび開けました。",
    "椅子はどれも、小屋で三年乾かした栗の木から作っています。",
    "引き出しが固くなったらご連絡ください。伺って削り直します。",
    "オイル仕上げは最初の数か月で少し色が濃くなりますが、それが持ち味です。",
    "価格には県内の配送と一年間の修理が含まれています。",
};
const char *const kEnglish[] = {
    "Every chair is made from chestnut dried for three years in the shed.",
    "If a drawer starts to stick, call us and we will come and plane it.",
    "Orders placed this month will be delivered before the rainy season.",
    "Prices include delivery within the prefecture and one year of repairs.",
};
const char *const kWords[] = {"more", "next", "詳しく", "次へ", "photo", "写真", "news", "お知らせ"};

enum class Kind { Japanese, English, Mixed };

// About kTextBytes of paragraphs and links, LF line ends.
std::string text(Kind kind)
{
    std::string out;
    out.reserve(kTextBytes + 4096);
    while (out.size() < kTextBytes) {
        out += "<p>";
        for (std::size_t s = 0, n = 2 + below(5); s < n; ++s) {
            if (kind == Kind::Japanese)
                out += kJapanese[below(5)];
            else
                (out += kEnglish[below(4)]) += ' ';
        }
        out += "</p>\n";
        out += "<a href=\"page" + std::to_string(below(100000)) + ".html\">";
        out += kind == Kind::English ? "more" : kWords[below(8)];
        out += "</a>\n";
    }
    return out;
}

constexpr std::size_t kPageBytes = 16 * 1024;

// `run` over every page of `bytes`.
template <typename F>
double megabytesPerSecond(const std::string &bytes, F &&run)
{
    double best = 1e30;
    for (int round = 0; round < 7; ++round) {
        const auto start = Clock::now();
        for (std::size_t at = 0; at < bytes.size();) {
            // Each page ends after a line break, so no character is cut.
            const std::size_t next = std::min(bytes.find('\n', at + kPageBytes), bytes.size() - 1) + 1;
            run(std::string_view(bytes).substr(at, next - at));
            at = next;
        }
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return static_cast<double>(bytes.size()) / best / 1e6;
}

} // namespace

int main()
{
    const struct {
        const char *name;
        Kind kind;
    } texts[] = {{"Japanese", Kind::Japanese}, {"English", Kind::English}, {"mixed", Kind::Mixed}};

    std::printf("%-10s %14s %14s %14s\n", "text", "before MB/s", "validate MB/s", "page text MB/s");
    std::string out;
    for (const auto &t : texts) {
        const std::string bytes = text(t.kind);
        bool ok = true;
        std::size_t wellFormedPages[2] = {0, 0};
        const double before = megabytesPerSecond(
            bytes, [&](std::string_view page) { wellFormedPages[0] += byteByByteWellFormed(page); });
        const double after = megabytesPerSecond(
            bytes, [&](std::string_view page) { wellFormedPages[1] += tavlori::isWellFormedUtf8(page); });
        ok &= wellFormedPages[0] == wellFormedPages[1] && wellFormedPages[0] > 0;
        const double pageText = megabytesPerSecond(bytes, [&](std::string_view page) {
            tavlori::pageTextFromBytes(page, out);
            ok &= out.size() > page.size();
        });
        std::printf("%-10s %14.0f %14.0f %14.0f%s\n", t.name, before, after, pageText,
                    ok ? "" : "  (WRONG RESULT)");
    }
    return 0;
}
