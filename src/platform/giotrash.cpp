// Only GLib headers in this file: GLib's structures have members named after
// Qt's keyword macros ("signals"), so Qt's headers must not come before them.
#include "platform/giotrash.h"

#include <gio/gio.h>

namespace tavlori::platform::gio {

Result trash(const std::string &path)
{
    // The local file system directly: no GVfs module, no D-Bus, and the path
    // is taken as bytes, not as text.
    GFile *file = g_vfs_get_file_for_path(g_vfs_get_local(), path.c_str());
    GError *error = nullptr;
    const gboolean moved = g_file_trash(file, nullptr, &error);
    g_object_unref(file);
    if (moved)
        return {};

    Result result{TrashOutcome::TrashUnavailable, std::string()};
    if (error) {
        if (error->domain == G_IO_ERROR) {
            switch (error->code) {
            case G_IO_ERROR_NOT_FOUND:
                result.outcome = TrashOutcome::NotFound;
                break;
            case G_IO_ERROR_PERMISSION_DENIED:
                result.outcome = TrashOutcome::PermissionDenied;
                break;
            default:
                break;
            }
        }
        if (error->message)
            result.detail = error->message;
        g_error_free(error);
    }
    return result;
}

} // namespace tavlori::platform::gio
