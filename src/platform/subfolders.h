#pragma once
// The subfolders of a folder, read straight from its directory listing.
#include <string>
#include <vector>

namespace tavlori::platform {

// Names of the subfolders of `folder` (also through symbolic links) that are
// not hidden (starting with "."), ordered by pageNameLess. The type comes
// from the listing; only a symbolic link or an entry of unknown type costs
// a stat. A folder that cannot be read gives none.
std::vector<std::string> subfolderNames(const std::string &folder);

} // namespace tavlori::platform
