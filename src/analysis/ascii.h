#pragma once
// ASCII letter case: page names, charset labels and the detection of
// unrequested pages compare ASCII letters without regard to case and every
// other byte exactly.
#include <cstddef>
#include <string_view>

namespace tavlori {

// The small letter for an ASCII capital; any other byte unchanged.
constexpr unsigned char foldAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

constexpr char foldAscii(char c)
{
    return static_cast<char>(foldAscii(static_cast<unsigned char>(c)));
}

// True when `a` and `b` are equal with ASCII letters compared without case.
constexpr bool equalFolded(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    }
    return true;
}

} // namespace tavlori
