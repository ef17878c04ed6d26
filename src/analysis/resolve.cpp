#include "analysis/resolve.h"

#include "analysis/utf8.h"

#include <cstring>

namespace tavlori {

namespace {

bool holds(std::string_view text, char c)
{
    return !text.empty() && std::memchr(text.data(), c, text.size()) != nullptr;
}

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isSchemeCharacter(char c)
{
    return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The value of a hexadecimal digit, or -1.
int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Replaces every "%" and two hexadecimal digits in `text` by the byte they
// name, left to right, except the escapes of "/", "\" and U+0000, which stay
// as written (so an escape never makes a separator). Returns `text` itself
// when nothing was replaced or the result is not well-formed UTF-8, else a
// view of `scratch`.
std::string_view decodePercentEscapes(std::string_view text, std::string &scratch)
{
    auto percent = text.find('%');
    if (percent == std::string_view::npos)
        return text;
    bool decoded = false;
    std::size_t copied = 0; // text before this is in scratch already
    for (; percent != std::string_view::npos; percent = text.find('%', percent + 1)) {
        if (percent + 2 >= text.size())
            break;
        const int high = hexValue(text[percent + 1]);
        const int low = hexValue(text[percent + 2]);
        if (high < 0 || low < 0)
            continue;
        const int byte = high * 16 + low;
        if (byte == '/' || byte == '\\' || byte == 0)
            continue;
        if (!decoded) {
            scratch.clear();
            decoded = true;
        }
        scratch.append(text.substr(copied, percent - copied)).append(1, static_cast<char>(byte));
        copied = percent + 3;
        percent += 2; // the produced byte is never read again
    }
    if (!decoded)
        return text;
    scratch.append(text.substr(copied));
    if (!isWellFormedUtf8(scratch))
        return text;
    return scratch;
}

// True when a segment of `text` (between separators, either slash counting)
// is "." or "..". Most links hold none, and are then copied as they stand.
bool holdsDotSegment(std::string_view text, char sep, char otherSlash)
{
    const auto isSlash = [&](std::size_t at) { return text[at] == sep || text[at] == otherSlash; };
    for (auto dot = text.find('.'); dot != std::string_view::npos; dot = text.find('.', dot + 1)) {
        if (dot > 0 && !isSlash(dot - 1))
            continue;
        std::size_t end = dot + 1;
        if (end < text.size() && text[end] == '.')
            ++end;
        if (end == text.size() || isSlash(end))
            return true;
    }
    return false;
}

// Appends `text` to `target` with every `otherSlash` made `sep`.
void appendConverted(std::string_view text, char sep, char otherSlash, std::string &target)
{
    const std::size_t start = target.size();
    target.append(text);
    for (std::size_t i = start; i < target.size(); ++i) {
        if (target[i] == otherSlash)
            target[i] = sep;
    }
}

// `target` holds the folder text (its first `folderLength` bytes) and the
// separator. Appends the segments of `text` (split at either slash) that
// "." and ".." leave, joined by the separator: "." is dropped, ".." drops
// the last kept segment or, with none kept, one level of the folder text.
// While no segment is kept the target is the folder text and the separator,
// so that level is taken off in place. Decoding makes no slash, so splitting
// at either slash is splitting after conversion.
void appendSegments(std::string_view text, char sep, char otherSlash, std::size_t folderLength,
                    std::string &target)
{
    std::size_t kept = 0;
    bool endsWithDots = false;
    std::size_t start = 0;
    while (true) {
        std::size_t end = start;
        while (end < text.size() && text[end] != sep && text[end] != otherSlash)
            ++end;
        const std::string_view segment = text.substr(start, end - start);
        endsWithDots = segment == "." || segment == "..";
        if (segment == "..") {
            if (kept > 1) {
                target.resize(target.rfind(sep));
                --kept;
            } else if (kept == 1) {
                target.resize(folderLength + 1);
                kept = 0;
            } else {
                const auto lastSep = std::string_view(target.data(), folderLength).rfind(sep);
                folderLength = lastSep == std::string_view::npos ? 0 : lastSep;
                target.resize(folderLength);
                target.append(1, sep);
            }
        } else if (segment != ".") {
            if (kept > 0)
                target.append(1, sep);
            target.append(segment);
            ++kept;
        }
        if (end == text.size())
            break;
        start = end + 1;
    }
    // A link ending in "." or ".." names a folder: its target ends with the
    // separator (one, not two).
    if (endsWithDots && kept > 0 && target.back() != sep)
        target.append(1, sep);
}

} // namespace

bool startsWithScheme(std::string_view text)
{
    // ":" is rare in relative links, so it is looked for first.
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon < 2 || !isAsciiLetter(text[0]))
        return false;
    for (std::size_t i = 1; i < colon; ++i) {
        if (!isSchemeCharacter(text[i]))
            return false;
    }
    return true;
}

bool isExternalAddress(std::string_view link)
{
    if (link.size() >= 2 && link[0] == '/' && link[1] == '/')
        return true;
    return startsWithScheme(link);
}

std::string resolveLink(std::string_view link, std::string_view baseFolder, char sep)
{
    std::string target;
    resolveLink(link, baseFolder, sep, target);
    return target;
}

void resolveLink(std::string_view link, std::string_view baseFolder, char sep, std::string &target)
{
    // External addresses, in-page anchors and paths already inside the base
    // folder are their own target.
    // A link holding the base folder's text anywhere is a full path in it: joining would repeat the folder.
    if (isExternalAddress(link) || (!link.empty() && link.front() == '#')
        || (!baseFolder.empty() && link.find(baseFolder) != std::string_view::npos)) {
        target.assign(link);
        return;
    }

    // The query and the fragment never name a file. Turning the other slash
    // into the separator moves no "#" or "?", so the link is cut first.
    std::string_view rest = link;
    if (const auto hash = rest.find('#'); hash != std::string_view::npos)
        rest = rest.substr(0, hash);
    if (const auto query = rest.find('?'); query != std::string_view::npos)
        rest = rest.substr(0, query);
    if (holds(rest, '%')) {
        thread_local std::string decodeScratch;
        rest = decodePercentEscapes(rest, decodeScratch);
    }

    // The target is the folder text, the separator, then the link with the
    // other slash turned into the separator and its "." and ".." segments
    // worked out.
    const char otherSlash = sep == '\\' ? '/' : '\\';
    target.clear();
    target.reserve(baseFolder.size() + 1 + rest.size());
    target.append(baseFolder).append(1, sep);
    if (holdsDotSegment(rest, sep, otherSlash))
        appendSegments(rest, sep, otherSlash, baseFolder.size(), target);
    else
        appendConverted(rest, sep, otherSlash, target);

    // A "#" or "$" left in the path makes the target the folder that holds it.
    if (holds(target, '#') || holds(target, '$'))
        target.resize(target.rfind(sep));
}

void joinPath(std::string_view folder, char sep, std::string_view name, std::string &path)
{
    path.clear();
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder).append(1, sep).append(name);
}

std::string joinPath(std::string_view folder, char sep, std::string_view name)
{
    std::string path;
    joinPath(folder, sep, name, path);
    return path;
}

bool isAbsolutePath(std::string_view path, char sep)
{
    if (!path.empty() && (path.front() == sep || path.front() == kPosixSeparator))
        return true;
    return sep == kWindowsSeparator && path.size() >= 2 && path[1] == ':';
}

} // namespace tavlori
