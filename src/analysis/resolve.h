#pragma once
// Link-target resolution: a link text or page name becomes the target text
// the request list stores and compares.
#include <string>
#include <string_view>

namespace tavlori {

// The path separator of Windows paths; on Linux '/' plays its part.
inline constexpr char kWindowsSeparator = '\\';
inline constexpr char kPosixSeparator = '/';
inline constexpr char kNativeSeparator = kPosixSeparator;

// True when `text` starts with a URL scheme: an ASCII letter, one or more
// ASCII letters, digits, "+", "-" or ".", then ":" (so "C:" is a drive, not
// a scheme).
bool startsWithScheme(std::string_view text);

// True when `link` is an external address: it starts with a URL scheme or
// with "//". Such a link is its own target and names no file of the folder.
bool isExternalAddress(std::string_view link);

// Resolves `link` against the base folder `baseFolder`, with `sep` as the
// path separator (the other slash is turned into it).
std::string resolveLink(std::string_view link, std::string_view baseFolder, char sep = kNativeSeparator);
// The same into `target`, whose earlier contents are replaced and whose
// capacity is reused.
void resolveLink(std::string_view link, std::string_view baseFolder, char sep, std::string &target);

// The path of `name` in `folder`: the folder, the separator and the name,
// joined as they stand (the rule of the page paths), into `path`, whose
// earlier contents are replaced and whose capacity is reused.
void joinPath(std::string_view folder, char sep, std::string_view name, std::string &path);
std::string joinPath(std::string_view folder, char sep, std::string_view name);

// True when `path` names its place without a folder to start from: it
// starts with a slash, or, under Windows rules ("\" as `sep`), with a drive
// ("C:").
bool isAbsolutePath(std::string_view path, char sep);

} // namespace tavlori
