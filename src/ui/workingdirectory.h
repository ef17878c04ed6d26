#pragma once
// The process's current directory. The window keeps it in step with the
// folder shown (for what the desktop opens with a relative path); it is
// changed here and nowhere else.
#include "analysis/errors.h"

#include <QString>

#include <optional>

namespace tavlori::ui {

// Makes `folder` the current directory. On success `entered` (when given)
// gets the directory the system reports then (the folder itself, whatever
// links led to it); otherwise the failure is returned and nothing changes.
std::optional<Failure> enterWorkingDirectory(const QString &folder, QString *entered = nullptr);

// The current directory; "/" when the system cannot tell it.
QString workingDirectory();

} // namespace tavlori::ui
