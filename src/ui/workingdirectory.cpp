#include "ui/workingdirectory.h"

#include <filesystem>
#include <system_error>

namespace tavlori::ui {

std::optional<Failure> enterWorkingDirectory(const QString &folder, QString *entered)
{
    std::error_code error;
    std::filesystem::current_path(folder.toStdString(), error);
    if (error)
        return Failure::folder(folder.toStdString(), error.value());
    if (entered) {
        const std::filesystem::path now = std::filesystem::current_path(error);
        *entered = error ? folder : QString::fromStdString(now.string());
    }
    return std::nullopt;
}

QString workingDirectory()
{
    std::error_code error;
    const std::filesystem::path path = std::filesystem::current_path(error);
    return error ? QStringLiteral("/") : QString::fromStdString(path.string());
}

} // namespace tavlori::ui
