#include "platform/subfolders.h"

#include "analysis/listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace tavlori::platform {

std::vector<std::string> subfolderNames(const std::string &folder)
{
    std::vector<std::string> names;
    DIR *listing = ::opendir(folder.c_str());
    if (!listing)
        return names;
    const int at = ::dirfd(listing);
    while (const dirent *entry = ::readdir(listing)) {
        const char *name = entry->d_name;
        if (name[0] == '\0' || name[0] == '.')
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat status {};
            isFolder = ::fstatat(at, name, &status, 0) == 0 && S_ISDIR(status.st_mode);
        }
        if (isFolder)
            names.emplace_back(name);
    }
    ::closedir(listing);
    sortPageNames(names);
    return names;
}

} // namespace tavlori::platform
