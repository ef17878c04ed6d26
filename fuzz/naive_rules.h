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

// ---- Range expansion ------------------------------------------------------

struct Range
{
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

inline std::string kakutyo(const std::string &s)
{
    std::string rest = s;
    std::string out;
    std::size_t p;
    while ((p = rest.find("href=")) != npos) {
        out += rest.substr(0, p);
        rest.erase(0, p + 5);
        std::size_t q = rest.find('"');
        if (q != npos)
            rest.erase(0, q + 1);
        q = rest.find('"');
        std::string value = q == npos ? std::string() : rest.substr(0, q);
        if (q != npos)
            rest.erase(0, q + 1);

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
    while ((p = work.find(attribute)) != npos) {
        work.erase(0, p + attribute.size());
        std::size_t q = work.find('"');
        if (q != npos)
            work.erase(0, q + 1);
        q = work.find('"');
        const std::string value = q == npos ? std::string() : work.substr(0, q);
        if (q != npos)
            work.erase(0, q + 1);
        if (htmlFilter(value))
            values.push_back(value);
    }
}

inline void mouseOverPass(std::string work, std::vector<std::string> &values)
{
    const std::string attribute = "onmouseover=";
    std::size_t p;
    while ((p = work.find(attribute)) != npos) {
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

// Which step gave the result: 1-3 return the link text unchanged.
enum class ResolvedBy { Http, Anchor, InsideBase, Joined };

inline std::string btoen(std::string s, const std::string &kijundir, char sep, ResolvedBy *by = nullptr)
{
    auto set = [by](ResolvedBy how) {
        if (by)
            *by = how;
    };
    if (s.find("http") != npos) {
        set(ResolvedBy::Http);
        return s;
    }
    if (!s.empty() && s[0] == '#') {
        set(ResolvedBy::Anchor);
        return s;
    }
    if (!kijundir.empty() && s.find(kijundir) != npos) {
        set(ResolvedBy::InsideBase);
        return s;
    }
    set(ResolvedBy::Joined);
    const char other = sep == '\\' ? '/' : '\\';
    std::size_t p;
    while ((p = s.find(other)) != npos)
        s[p] = sep;
    if ((p = s.find('#')) != npos)
        s = s.substr(0, p);
    std::string d = kijundir;
    const std::string parent = std::string("..") + sep;
    while ((p = s.find(parent)) != npos) {
        s.erase(0, p + 3);
        const std::size_t last = d.rfind(sep);
        d = last == npos ? std::string() : d.substr(0, last);
    }
    const std::string j = d + sep + s;
    if (j.find('#') != npos || j.find('$') != npos)
        return j.substr(0, j.rfind(sep));
    return j;
}

} // namespace tavlori::naive
