#pragma once
// The text rules written the slow, literal way, as oracles for the fuzz
// targets: every step works on std::string with find / substr / erase exactly
// as the rule reads ("find it, take what is before it, delete through it").
// Nothing here is tuned; clarity against the rule is the point.
#include <string>
#include <string_view>
#include <vector>

namespace tavlori::naive {

inline constexpr auto npos = std::string::npos;

// ---- Shared pieces ----------------------------------------------------------

// The text with its ASCII capital letters made small; nothing else changes.
inline std::string asciiLower(std::string text)
{
    for (char &c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// The first occurrence of an attribute text (written in small letters) with
// its ASCII letters in any case.
inline std::size_t findAnyCase(const std::string &text, const std::string &attribute)
{
    return asciiLower(text).find(attribute);
}

// Takes the value of a "src=", "href=" or "background=" attribute from the
// front of `work` (which starts right after the "=") and deletes what the
// value consumes.
inline std::string takeValue(std::string &work)
{
    std::size_t i = 0;
    while (i < work.size() && (work[i] == ' ' || work[i] == '\t' || work[i] == '\r' || work[i] == '\n'))
        ++i;
    if (i == work.size() || work[i] == '"') {
        // Through the first double quote, then up to the next one.
        std::size_t q = work.find('"');
        if (q != npos)
            work.erase(0, q + 1);
        q = work.find('"');
        const std::string value = q == npos ? std::string() : work.substr(0, q);
        if (q != npos)
            work.erase(0, q + 1);
        return value;
    }
    work.erase(0, i);
    if (work[0] == '\'') {
        work.erase(0, 1);
        const std::size_t q = work.find('\'');
        if (q == npos)
            return std::string();
        const std::string value = work.substr(0, q);
        work.erase(0, q + 1);
        return value;
    }
    const std::size_t end = work.find_first_of(std::string(" \t\r\n>"));
    const std::string value = work.substr(0, end);
    work.erase(0, end == npos ? work.size() : end);
    return value;
}

// ---- Range expansion ------------------------------------------------------

struct Range {
    std::string pattern;
    std::string members;
};

// Letter from `first` to 26 letters on, then `digit` (none when empty), then
// ".wav", joined by "&&&".
inline std::string memberList(char first, const std::string &digit)
{
    std::string list;
    for (int k = 0; k < 26; ++k) {
        if (k > 0)
            list += "&&&";
        list += static_cast<char>(first + k);
        list += digit;
        list += ".wav";
    }
    return list;
}

inline const std::vector<Range> &ranges()
{
    static const std::vector<Range> table = {
        {"A-Z.wav", memberList('A', "")},    {"A1-Z1.wav", memberList('A', "1")},
        {"A2-Z2.wav", memberList('A', "2")}, {"A3-Z3.wav", memberList('A', "3")},
        {"a-z.wav", memberList('a', "")},    {"a1-z1.wav", memberList('a', "1")},
        {"a2-z2.wav", memberList('a', "2")}, {"a3-z3.wav", memberList('a', "3")},
    };
    return table;
}

inline std::string writtenBack(const std::string &member)
{
    return " href=\"" + member + "\"";
}

inline std::string expandLinkValues(const std::string &s)
{
    std::string rest = s;
    std::string out;
    std::size_t p;
    while ((p = findAnyCase(rest, "href=")) != npos) {
        out += rest.substr(0, p);
        rest.erase(0, p + 5);
        std::string value = takeValue(rest);

        // Range expansion: rest and done carry over from pattern to pattern.
        std::string rangeRest = value;
        std::string rangeDone;
        for (const Range &range : ranges()) {
            while ((p = rangeRest.find(range.pattern)) != npos) {
                rangeDone += rangeRest.substr(0, p) + range.members;
                rangeRest.erase(0, p + range.pattern.size());
                value = rangeDone + rangeRest;
            }
        }

        // Member splitting.
        std::string memberRest = value;
        std::string memberDone;
        while ((p = memberRest.find("&&&")) != npos) {
            memberDone += writtenBack(memberRest.substr(0, p));
            memberRest.erase(0, p + 3);
            value = memberDone + writtenBack(memberRest);
        }

        // Wrapping, unless "href" stands at position 2 or later (1-based).
        const std::size_t h = value.find("href");
        if (h == npos || h + 1 < 2)
            value = " href=\"" + value + "\" ";
        out += value;
    }
    return out + rest;
}

// ---- Link extraction ------------------------------------------------------

inline bool htmlFilter(const std::string &value)
{
    return value.find(".htm") != npos || value.find(".HTM") != npos;
}

inline void quotedPass(std::string work, const std::string &attribute, std::vector<std::string> &values)
{
    std::size_t p;
    while ((p = findAnyCase(work, attribute)) != npos) {
        work.erase(0, p + attribute.size());
        const std::string value = takeValue(work);
        if (htmlFilter(value))
            values.push_back(value);
    }
}

inline void mouseOverPass(std::string work, std::vector<std::string> &values)
{
    const std::string attribute = "onmouseover=";
    std::size_t p;
    while ((p = findAnyCase(work, attribute)) != npos) {
        work.erase(0, p + attribute.size());
        for (char delimiter : {'"', ',', '\''}) {
            const std::size_t q = work.find(delimiter);
            if (q != npos)
                work.erase(0, q + 1);
        }
        const std::size_t q = work.find('\'');
        const std::string value = q == npos ? std::string() : work.substr(0, q);
        // The value stays in the working text.
        if (htmlFilter(value))
            values.push_back(value);
    }
}

inline std::vector<std::string> extract(const std::string &expanded)
{
    std::vector<std::string> values;
    quotedPass(expanded, "src=", values);
    mouseOverPass(expanded, values);
    quotedPass(expanded, "href=", values);
    quotedPass(expanded, "background=", values);
    return values;
}

// ---- Link-target resolution -----------------------------------------------

inline bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A URL scheme (a letter, then one or more letters, digits, "+", "-" or ".",
// then ":") or "//" at the front.
inline bool isExternal(const std::string &s)
{
    if (s.substr(0, 2) == "//")
        return true;
    const std::size_t colon = s.find(':');
    if (colon == npos || colon < 2 || !isAsciiLetter(s[0]))
        return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const char c = s[i];
        if (!isAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

// Well-formed UTF-8 by the table of well-formed byte sequences: each
// sequence's lead byte fixes its length and the range of its second byte.
inline bool wellFormedUtf8(const std::string &text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
        const unsigned lead = b(0);
        std::size_t length;
        unsigned low = 0x80, high = 0xBF;
        if (lead <= 0x7F) {
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                low = 0xA0;
            if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                low = 0x90;
            if (lead == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        if (length > 1 && (b(1) < low || b(1) > high))
            return false;
        for (std::size_t k = 2; k < length; ++k) {
            if (b(k) < 0x80 || b(k) > 0xBF)
                return false;
        }
        i += length;
    }
    return true;
}

inline int hexDigit(char c)
{
    const std::string digits = "0123456789abcdef";
    const std::size_t at = digits.find(asciiLower(std::string(1, c)));
    return at == npos ? -1 : static_cast<int>(at);
}

// Which step gave the result: the first three return the link text unchanged.
enum class ResolvedBy { External, Anchor, InsideBase, Joined };

inline std::string resolveLink(std::string s, const std::string &baseFolder, char sep,
                               ResolvedBy *by = nullptr)
{
    auto set = [by](ResolvedBy how) {
        if (by)
            *by = how;
    };
    if (isExternal(s)) {
        set(ResolvedBy::External);
        return s;
    }
    if (!s.empty() && s[0] == '#') {
        set(ResolvedBy::Anchor);
        return s;
    }
    if (!baseFolder.empty() && s.find(baseFolder) != npos) {
        set(ResolvedBy::InsideBase);
        return s;
    }
    set(ResolvedBy::Joined);

    // The other slash becomes the separator.
    const char other = sep == '\\' ? '/' : '\\';
    std::size_t p;
    while ((p = s.find(other)) != npos)
        s[p] = sep;

    // Cut before the first "#" or "?".
    const std::size_t hash = s.find('#');
    const std::size_t query = s.find('?');
    const std::size_t cut = hash < query ? hash : query;
    if (cut != npos)
        s = s.substr(0, cut);

    // Percent escapes, one pass from the left; the escapes of "/", "\" and
    // U+0000 stay.
    std::string decoded;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == '%' && i + 2 < s.size() && hexDigit(s[i + 1]) >= 0 && hexDigit(s[i + 2]) >= 0) {
            const std::string escape = asciiLower(s.substr(i, 3));
            if (escape != "%2f" && escape != "%5c" && escape != "%00") {
                decoded += static_cast<char>(hexDigit(s[i + 1]) * 16 + hexDigit(s[i + 2]));
                i += 3;
                continue;
            }
        }
        decoded += s[i];
        ++i;
    }
    if (wellFormedUtf8(decoded))
        s = decoded;

    // Dot segments.
    std::vector<std::string> segments;
    std::size_t from = 0;
    while ((p = s.find(sep, from)) != npos) {
        segments.push_back(s.substr(from, p - from));
        from = p + 1;
    }
    segments.push_back(s.substr(from));
    std::string d = baseFolder;
    std::vector<std::string> kept;
    for (const std::string &segment : segments) {
        if (segment == ".")
            continue;
        if (segment == "..") {
            if (!kept.empty()) {
                kept.pop_back();
            } else {
                const std::size_t last = d.rfind(sep);
                d = last == npos ? std::string() : d.substr(0, last);
            }
            continue;
        }
        kept.push_back(segment);
    }
    if ((segments.back() == "." || segments.back() == "..") && (kept.empty() || !kept.back().empty()))
        kept.push_back(std::string());
    s.clear();
    for (std::size_t k = 0; k < kept.size(); ++k) {
        if (k > 0)
            s += sep;
        s += kept[k];
    }

    const std::string j = d + sep + s;
    if (j.find('#') != npos || j.find('$') != npos)
        return j.substr(0, j.rfind(sep));
    return j;
}

} // namespace tavlori::naive
