#pragma once
// A property check for fuzz targets: on failure it prints what broke and
// aborts, so libFuzzer stops and keeps the input as a crash file.
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace tavlori::fuzz {

[[noreturn]] inline void fail(const char *what, std::string_view detail = {})
{
    std::fprintf(stderr, "PROPERTY VIOLATED: %s\n", what);
    if (!detail.empty()) {
        std::fprintf(stderr, "  detail (%zu bytes): ", detail.size());
        for (unsigned char c : detail.substr(0, 400))
            std::fprintf(stderr, (c >= 0x20 && c < 0x7F && c != '\\') ? "%c" : "\\x%02X", c);
        std::fputc('\n', stderr);
    }
    std::abort();
}

inline void check(bool ok, const char *what, std::string_view detail = {})
{
    if (!ok)
        fail(what, detail);
}

} // namespace tavlori::fuzz
