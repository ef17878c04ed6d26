#pragma once
// Link-target resolution: a link text or page name becomes the target text
// the request list stores and compares.
#include <string>
#include <string_view>

namespace tavlori {

// The path separator of Windows paths; on POSIX '/' plays its part.
inline constexpr char kWindowsSeparator = '\\';
inline constexpr char kPosixSeparator = '/';
#ifdef _WIN32
inline constexpr char kNativeSeparator = kWindowsSeparator;
#else
inline constexpr char kNativeSeparator = kPosixSeparator;
#endif

// True when `s` is an external address: it starts with a URL scheme (an ASCII
// letter, one or more ASCII letters, digits, "+", "-" or ".", then ":"; so
// "C:" is a drive, not a scheme) or with "//". Such a link is its own target
// and names no file of the folder.
bool isExternalAddress(std::string_view s);

// Resolves link text `s` against the base folder `baseFolder`, with `sep` as the
// path separator (the other slash is turned into it).
std::string resolveLink(std::string_view s, std::string_view baseFolder, char sep = kNativeSeparator);
// The same into `target`, whose earlier contents are replaced and whose
// capacity is reused.
void resolveLink(std::string_view s, std::string_view baseFolder, char sep, std::string &target);

} // namespace tavlori
