#include "platform/listingexistence.h"

#include "analysis/hashing.h"
#include "platform/descriptor.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace tavlori::platform {

namespace {

// The kernel follows at most this many symbolic links in one path; the next
// one fails with ELOOP.
constexpr int kMaxLinks = 40;
// Names longer than this are refused by every file system whose listings
// are read (ENAMETOOLONG), so they name nothing there.
constexpr std::size_t kMaxName = 255;
// Folder parts of paths remembered per pass; past this many, new ones are
// walked every time.
constexpr std::size_t kMaxPrefixes = 4096;
// statfs's flag for a mount that refuses to follow symbolic links.
constexpr unsigned long kNoSymFollow = 0x2000;
#ifndef FS_CASEFOLD_FL
#define FS_CASEFOLD_FL 0x40000000
#endif

// File systems whose look-up of a name finds exactly the entry of that name
// in the folder's listing (byte for byte, no case folding, no names that
// appear only when looked up), unless the folder itself folds case.
bool listingMatchesLookups(int fd, const struct statfs &fileSystem)
{
    switch (static_cast<unsigned long>(fileSystem.f_type)) {
    case EXT4_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
        break;
    default:
        return false;
    }
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0)
        return (flags & FS_CASEFOLD_FL) == 0;
    // A file system without inode flags has no case-folding folders either.
    return errno == ENOTTY || errno == EOPNOTSUPP || errno == EINVAL;
}

// The hash of a name in a folder: the same name in two folders are two keys.
std::uint64_t hashEntry(std::uint32_t folder, std::string_view name)
{
    return finalMix(hashBytes(name) + folder);
}

} // namespace

ListingExistence::ListingExistence(Reading reading)
    : reading_(reading)
{
    clear();
}

void ListingExistence::clear()
{
    nodes_.clear();
    entries_.clear();
    table_.clear();
    names_.clear();
    bodies_.clear();
    prefixes_.clear();
    nodes_.emplace_back(); // the root: its own parent, no name
    cwd_ = kNone;
    cwdKnown_ = false;
}

bool ListingExistence::isFile(std::string_view path)
{
    // stat sees the C string, which ends at the first NUL.
    path = path.substr(0, path.find('\0'));
    if (path.empty() || path.size() >= PATH_MAX)
        return false; // ENOENT, ENAMETOOLONG
    switch (walk(path)) {
    case Answer::No:
        return false;
    case Answer::Yes:
        return true;
    case Answer::AskStat:
        break;
    }
    ++counters_.pathsStated;
    pathBuffer_.assign(path);
    struct stat info;
    return ::stat(pathBuffer_.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

// Walks like the kernel's path look-up: every component is looked up in the
// folder reached so far, which must allow searching; "." stays, ".." goes to
// the parent of the real folder; a link's body is walked in its place (from
// the root when absolute, else from the link's folder); every component but
// the last must end on a folder. The last component is the object asked
// about; a separator after it would ask for a folder, which is never a file.
ListingExistence::Answer ListingExistence::walk(std::string_view path)
{
    std::uint32_t current = 0;
    int links = 0;
    std::string_view text = path;
    bool resumed = false;
    const std::size_t cut = path.rfind('/');
    if (cut != std::string_view::npos && cut + 1 < path.size()) {
        const auto known = prefixes_.find(path.substr(0, cut + 1));
        if (known != prefixes_.end()) {
            current = known->second.node;
            links = known->second.links;
            text = path.substr(cut + 1);
            resumed = true;
        }
    }
    if (!resumed && path.front() != '/') {
        current = currentDirectory();
        if (current == kNone)
            return Answer::AskStat;
    }
    frames_.clear();
    frames_.push_back({text, true});
    while (!frames_.empty()) {
        Frame &frame = frames_.back();
        const std::size_t start = frame.text.find_first_not_of('/');
        if (start == std::string_view::npos) {
            frames_.pop_back();
            continue;
        }
        const std::size_t end = frame.text.find('/', start);
        const std::string_view component = frame.text.substr(start, end - start);
        const std::string_view rest =
            end == std::string_view::npos ? std::string_view() : frame.text.substr(end);
        const bool lastOfText = rest.find_first_not_of('/') == std::string_view::npos;
        const bool final = lastOfText && frame.final;
        if (final && !rest.empty())
            return Answer::No; // ENOTDIR, or a folder
        if (lastOfText) {
            // The last component of the path asked about: remember where
            // its folder part led.
            const std::size_t folderPart = path.size() - frame.text.size() + start;
            if (frames_.size() == 1 && !resumed && folderPart > 0 && prefixes_.size() < kMaxPrefixes)
                prefixes_.try_emplace(std::string(path.substr(0, folderPart)), Resume{current, links});
            frames_.pop_back();
        } else {
            frame.text = rest;
        }

        if (nodes_[current].state == State::Unexamined)
            examine(current);
        switch (nodes_[current].state) {
        case State::AskStat:
            return Answer::AskStat;
        case State::Closed:
            return Answer::No; // EACCES: the folder cannot be searched
        default:
            break;
        }
        if (component == "." || component == "..") {
            if (final)
                return Answer::No; // a folder
            if (component == "..")
                current = nodes_[current].parent;
            continue;
        }
        Entry *entry = find(current, component);
        if (entry == nullptr)
            return Answer::No; // ENOENT, ENAMETOOLONG
        if (entry->kind == Kind::Unknown)
            entry->kind = statName(current, component);
        switch (entry->kind) {
        case Kind::Absent:
            return Answer::No;
        case Kind::Unknown:
        case Kind::AskStat:
            return Answer::AskStat;
        case Kind::File:
            return final ? Answer::Yes : Answer::No; // ENOTDIR when not last
        case Kind::Folder:
            if (final)
                return Answer::No;
            current = childNode(current, *entry);
            continue;
        case Kind::Link:
            break;
        }
        if (++links > kMaxLinks)
            return Answer::No; // ELOOP
        if (nodes_[current].linksAskStat)
            return Answer::AskStat;
        const std::string *body = linkBody(current, *entry);
        if (body == nullptr)
            return Answer::AskStat;
        if (body->empty())
            return Answer::No; // ENOENT
        if (body->front() == '/')
            current = 0;
        frames_.push_back({*body, final});
    }
    // The walk ended on a folder: "/", or a link to one.
    return Answer::No;
}

// Opens the folder by its full path and learns whether it can be searched,
// what its file system is and, where the listing answers look-ups exactly,
// every name in it. Whatever cannot be learnt leaves the folder to stat.
void ListingExistence::examine(std::uint32_t index)
{
    ++counters_.directoriesRead;
    nodes_[index].state = State::AskStat;
    if (!fullPath(index, {}, pathBuffer_))
        return;
    bool readable = true;
    int fd = ::open(pathBuffer_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (errno != EACCES)
            return;
        // Searched but not read: its names are looked up one by one.
        readable = false;
        fd = ::open(pathBuffer_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            return;
    }
    Descriptor closer(fd);
    // Looking up "." needs the right to search the folder, as looking up
    // any other name in it does.
    struct stat info;
    if (::fstatat(fd, ".", &info, 0) != 0) {
        if (errno == EACCES)
            nodes_[index].state = State::Closed;
        return;
    }
    struct statfs fileSystem;
    if (::fstatfs(fd, &fileSystem) != 0)
        return;
    // /proc has links that lead elsewhere than their bodies say and names
    // missing from its listings; an automounter mounts on look-up.
    if (fileSystem.f_type == PROC_SUPER_MAGIC || fileSystem.f_type == AUTOFS_SUPER_MAGIC)
        return;
    nodes_[index].linksAskStat =
        ((info.st_mode & S_ISVTX) && (info.st_mode & S_IWOTH)) || (fileSystem.f_flags & kNoSymFollow);
    if (readable && reading_ == Reading::Listings && listingMatchesLookups(fd, fileSystem)
        && readListing(fd, index))
        nodes_[index].state = State::Listed;
    else
        nodes_[index].state = State::Probed;
}

bool ListingExistence::readListing(int fd, std::uint32_t index)
{
    const std::size_t first = entries_.size();
    const std::size_t namesBefore = names_.size();
    listingBuffer_.resize(64 * 1024);
    for (;;) {
        const ssize_t got = ::getdents64(fd, listingBuffer_.data(), listingBuffer_.size());
        if (got == 0)
            break;
        bool fits = got > 0;
        for (ssize_t offset = 0; fits && offset < got;) {
            const auto *record = reinterpret_cast<const struct dirent64 *>(listingBuffer_.data() + offset);
            offset += record->d_reclen;
            const std::string_view name(record->d_name);
            if (name == "." || name == "..")
                continue;
            if (name.size() > kMaxName) {
                fits = false;
                break;
            }
            Entry entry;
            entry.folder = index;
            entry.name = addName(name);
            entry.length = static_cast<std::uint8_t>(name.size());
            switch (record->d_type) {
            case DT_DIR:
                entry.kind = Kind::Folder;
                break;
            case DT_LNK:
                entry.kind = Kind::Link;
                break;
            case DT_REG:
            case DT_FIFO:
            case DT_SOCK:
            case DT_CHR:
            case DT_BLK:
                entry.kind = Kind::File;
                break;
            default:
                entry.kind = Kind::Unknown;
                break;
            }
            entries_.push_back(entry);
        }
        if (!fits) {
            entries_.resize(first);
            names_.resize(namesBefore);
            return false;
        }
    }
    for (std::size_t i = first; i < entries_.size(); ++i)
        table_.insert(static_cast<std::uint32_t>(i), hashEntry(index, nameOf(entries_[i])));
    return true;
}

ListingExistence::Entry *ListingExistence::find(std::uint32_t index, std::string_view name)
{
    const bool listed = nodes_[index].state == State::Listed;
    if (name.size() > kMaxName) {
        // Not in a listing; looked up one by one, a long name is left to
        // stat, whose file system may allow it.
        static Entry askStat{0, 0, 0, Kind::AskStat, kNone};
        return listed ? nullptr : &askStat;
    }
    const std::uint64_t hash = hashEntry(index, name);
    const std::uint32_t at = table_.find(hash, [&](std::uint32_t i) {
        const Entry &entry = entries_[i];
        return entry.folder == index && nameOf(entry) == name;
    });
    if (at != TextTable::kNone)
        return &entries_[at];
    if (listed)
        return nullptr;
    // Looked up one by one, and kept for the pass.
    Entry entry;
    entry.folder = index;
    entry.name = addName(name);
    entry.length = static_cast<std::uint8_t>(name.size());
    entry.kind = statName(index, name);
    table_.insert(static_cast<std::uint32_t>(entries_.size()), hash);
    entries_.push_back(entry);
    return &entries_.back();
}

ListingExistence::Kind ListingExistence::statName(std::uint32_t node, std::string_view name)
{
    ++counters_.namesStated;
    if (!fullPath(node, name, pathBuffer_))
        return Kind::AskStat;
    struct stat info;
    if (::fstatat(AT_FDCWD, pathBuffer_.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Kind::Absent : Kind::AskStat;
    if (S_ISDIR(info.st_mode))
        return Kind::Folder;
    if (S_ISLNK(info.st_mode))
        return Kind::Link;
    return Kind::File;
}

std::uint32_t ListingExistence::childNode(std::uint32_t parent, Entry &entry)
{
    if (entry.ref != kNone)
        return entry.ref;
    const std::uint32_t made = nodes_[parent].madeChild;
    if (made != kNone
        && std::string_view(names_.data() + nodes_[made].name, nodes_[made].length) == nameOf(entry)) {
        entry.ref = made;
        return made;
    }
    Node child;
    child.parent = parent;
    child.name = entry.name;
    child.length = entry.length;
    entry.ref = static_cast<std::uint32_t>(nodes_.size());
    nodes_.push_back(child);
    return entry.ref;
}

// The child folder of that name, without examining a parent not examined yet.
std::uint32_t ListingExistence::namedChild(std::uint32_t parent, std::string_view name)
{
    const State state = nodes_[parent].state;
    if (state == State::Listed || state == State::Probed) {
        Entry *entry = find(parent, name);
        if (entry == nullptr)
            return kNone;
        if (entry->kind == Kind::Unknown)
            entry->kind = statName(parent, name);
        return entry->kind == Kind::Folder ? childNode(parent, *entry) : kNone;
    }
    if (name.size() > UINT16_MAX)
        return kNone;
    Node child;
    child.parent = parent;
    child.name = addName(name);
    child.length = static_cast<std::uint16_t>(name.size());
    const auto index = static_cast<std::uint32_t>(nodes_.size());
    nodes_.push_back(child);
    nodes_[parent].madeChild = index;
    return index;
}

const std::string *ListingExistence::linkBody(std::uint32_t node, Entry &entry)
{
    if (entry.ref != kNone)
        return &bodies_[entry.ref];
    ++counters_.namesStated;
    if (!fullPath(node, nameOf(entry), pathBuffer_))
        return nullptr;
    char body[PATH_MAX];
    const ssize_t length = ::readlink(pathBuffer_.c_str(), body, sizeof body);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof body) {
        entry.kind = Kind::AskStat;
        return nullptr;
    }
    entry.ref = static_cast<std::uint32_t>(bodies_.size());
    bodies_.emplace_back(body, static_cast<std::size_t>(length));
    return &bodies_.back();
}

// The current directory as a chain of real folders from the root, learnt
// once per pass. When it cannot be named by a path that leads to it (removed,
// outside the root, not searchable), relative paths are left to stat.
std::uint32_t ListingExistence::currentDirectory()
{
    if (cwdKnown_)
        return cwd_;
    cwdKnown_ = true;
    char where[PATH_MAX];
    if (::getcwd(where, sizeof where) == nullptr || where[0] != '/')
        return kNone;
    counters_.namesStated += 2;
    struct stat here, there;
    if (::stat(".", &here) != 0 || ::stat(where, &there) != 0 || here.st_dev != there.st_dev
        || here.st_ino != there.st_ino)
        return kNone;
    std::uint32_t node = 0;
    const std::string_view path(where);
    for (std::size_t start = 1; start < path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start) {
            node = namedChild(node, path.substr(start, end - start));
            if (node == kNone)
                return kNone;
        }
        start = end + 1;
    }
    cwd_ = node;
    return cwd_;
}

// "/a/b" for the folder (and "/a/b/name" with a name); false when the path
// would be too long to hand to the kernel.
bool ListingExistence::fullPath(std::uint32_t node, std::string_view name, std::string &out) const
{
    std::size_t length = name.empty() ? 0 : name.size() + 1;
    for (std::uint32_t at = node; at != 0; at = nodes_[at].parent)
        length += nodes_[at].length + 1;
    if (length == 0)
        length = 1; // the root alone
    if (length >= PATH_MAX)
        return false;
    out.assign(length, '/');
    std::size_t end = length;
    if (!name.empty()) {
        end -= name.size();
        std::memcpy(out.data() + end, name.data(), name.size());
        --end;
    }
    for (std::uint32_t at = node; at != 0; at = nodes_[at].parent) {
        end -= nodes_[at].length;
        std::memcpy(out.data() + end, names_.data() + nodes_[at].name, nodes_[at].length);
        --end;
    }
    return true;
}

std::uint32_t ListingExistence::addName(std::string_view name)
{
    const auto offset = static_cast<std::uint32_t>(names_.size());
    names_ += name;
    return offset;
}

} // namespace tavlori::platform
