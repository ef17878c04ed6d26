#pragma once
// "Does this path name an existing non-folder?" answered from directory
// listings: each folder is read once (names and entry types) and kept until
// clear(), and a path is walked through the kept listings component by
// component the way the kernel walks it. The answer is always the one
// stat(path) == 0 && !S_ISDIR would give at the time the listings were read;
// an investigation asks this for hundreds of thousands of link targets, most
// of them in a few folders, so each folder costs a handful of system calls
// instead of one walk from the root per question.
//
// Not thread-safe: one thread at a time.
#include "analysis/texttable.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tavlori::platform {

class ListingExistence {
public:
    // How the names of a searchable folder are looked up.
    enum class Reading {
        // Read the whole folder where its listing answers look-ups exactly
        // (the usual local file systems, folders not folding case); look
        // names up one by one elsewhere.
        Listings,
        // Look every name up one by one (and keep the answer), as on a file
        // system whose listing may differ from its look-ups.
        NamesOneByOne,
    };

    explicit ListingExistence(Reading reading = Reading::Listings);

    // stat(path) succeeds and names no folder: symbolic links are followed,
    // a FIFO, socket or device counts, a relative path starts at the current
    // directory (as it was at the first relative question after clear()).
    // The path ends at its first NUL byte, as the C string stat sees does.
    bool isFile(std::string_view path);

    // Forgets every listing and the current directory, so the next
    // questions see the file system as it is then.
    void clear();

    // System calls made since construction (not reset by clear()).
    struct Counters {
        std::size_t directoriesRead = 0; // folders opened and examined
        std::size_t namesStated = 0;     // single names looked up or links read
        std::size_t pathsStated = 0;     // whole paths handed to stat
    };
    const Counters &counters() const { return counters_; }

private:
    enum class Kind : std::uint8_t { File, Folder, Link, Unknown, Absent, AskStat };
    enum class State : std::uint8_t { Unexamined, Listed, Probed, Closed, AskStat };
    enum class Answer { No, Yes, AskStat };

    static constexpr std::uint32_t kNone = UINT32_MAX;

    // One name in a folder; the name's bytes are in names_.
    struct Entry {
        std::uint32_t folder = 0; // its node
        std::uint32_t name = 0;
        std::uint8_t length = 0;
        Kind kind = Kind::Unknown;
        // A folder's node, or a link's body in bodies_, once known.
        std::uint32_t ref = kNone;
    };

    // One real folder, named by its parent and its name (no links on the way).
    struct Node {
        std::uint32_t parent = 0;
        std::uint32_t name = 0;
        std::uint16_t length = 0;
        State state = State::Unexamined;
        // Following a link here may be refused (sticky world-writable folder,
        // nosymfollow mount): such links are left to stat.
        bool linksAskStat = false;
        // The child made on the way to the current directory before this
        // folder was examined, so that its entry finds the same node.
        std::uint32_t madeChild = kNone;
    };

    // Where the walk stood before the last component of a path asked about.
    struct Resume {
        std::uint32_t node;
        int links;
    };
    struct PrefixHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept
        {
            return std::hash<std::string_view>{}(text);
        }
    };

    struct Frame {
        std::string_view text;
        bool final; // the last component of this text is the object asked about
    };

    Answer walk(std::string_view path);
    void examine(std::uint32_t node);
    bool readListing(int fd, std::uint32_t node);
    Entry *find(std::uint32_t node, std::string_view name);
    Kind statName(std::uint32_t node, std::string_view name);
    std::uint32_t childNode(std::uint32_t parent, Entry &entry);
    std::uint32_t namedChild(std::uint32_t parent, std::string_view name);
    const std::string *linkBody(std::uint32_t node, Entry &entry);
    std::uint32_t currentDirectory();
    bool fullPath(std::uint32_t node, std::string_view name, std::string &out) const;
    std::uint32_t addName(std::string_view name);
    std::string_view nameOf(const Entry &entry) const { return {names_.data() + entry.name, entry.length}; }

    Reading reading_;
    std::vector<Node> nodes_;
    std::vector<Entry> entries_;
    // The entries by folder and name: every name of a listed folder, and
    // the names of other folders looked up one by one so far.
    TextTable table_;
    std::string names_;
    std::deque<std::string> bodies_;
    // The folder part of paths asked about ("/site/sub/", "../site/"), each
    // walked once per pass: the next path with the same folder part resumes
    // there and looks up only its last component.
    std::unordered_map<std::string, Resume, PrefixHash, std::equal_to<>> prefixes_;
    std::uint32_t cwd_ = kNone;
    bool cwdKnown_ = false;
    std::vector<Frame> frames_;
    std::string pathBuffer_;
    std::vector<char> listingBuffer_;
    Counters counters_;
};

} // namespace tavlori::platform
