#pragma once
// Every sentence the window shows: captions, messages and the wording of
// failures. Below the window failures are values; they become text here.
#include "analysis/errors.h"
#include "platform/trash.h"

#include <QString>

#include <cstddef>
#include <string>
#include <vector>

namespace tavlori::ui::texts {

// --- captions ---

QString applicationTitle(); // the program's name, the title of its own dialogs
QString errorTitle();       // the missing-page dialog's title
QString ok();
QString yes();
QString no();
QString cancel();
QString trashFolderAction(); // the directory list's menu item
QString trashTitle();        // the title of the trash's dialogs

// --- messages ---

// The standard error dialog's message for a failure, before the "." rule.
QString failure(const Failure &failure);
// The reason for an operating-system error number (errno) met while entering
// a folder: not found, too many open files, access denied, disk full, ...;
// any other as "I/O エラー %d".
QString folderError(int errorNumber);
QString missingPage(const QString &name);
QString noPageSelected();
// The progress strip of a pass.
QString progress(std::size_t done, std::size_t total);

// --- the trash ---

QString trashConfirmation(const std::vector<std::string> &paths);
// An item that could not be moved; `detail` is the trash's own words where
// no trash takes the item.
QString trashFailure(const std::string &path, platform::TrashOutcome outcome, const std::string &detail = {});
// The progress window at item `done` (0-based) of `total`.
QString trashProgress(const std::string &item, std::size_t done, std::size_t total);
// What "選択HTMLを削除" says after moving `moved` of `offered` pages.
QString pagesMoved(std::size_t moved, std::size_t offered);

// --- the command line of the window program ---

// "使い方: tavlori [--help] [--version] [FOLDER]"
QString usage();
// What --help prints, ending with a newline.
QString commandLineHelp();
// The line --version prints: the program's name, `version` and a newline.
QString versionLine(const QString &version);
// A command line that cannot be followed: `reason`, then the usage, on one line.
QString usageError(const QString &reason);
QString unknownOption(const QString &option);
QString secondFolder();

} // namespace tavlori::ui::texts
