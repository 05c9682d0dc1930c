#include "platform/files.h"

#include <glib.h>

#include <cerrno>
#include <new>

namespace {

FileReadFailure FailureOf(const GError* error) {
    if (error->domain != G_FILE_ERROR) return FileReadFailure::kOpen;
    if (error->code == G_FILE_ERROR_NOMEM) return FileReadFailure::kMemory;
    if (error->code == G_FILE_ERROR_IO) return FileReadFailure::kRead;
    return FileReadFailure::kOpen;
}

}  // namespace

bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes, FileReadError* error) {
    gchar* contents = nullptr;
    gsize length = 0;
    GError* gerror = nullptr;
    // GLib's reader, for its messages: the device description shows them.
    if (!g_file_get_contents(path, &contents, &length, &gerror)) {
        if (error) *error = {FailureOf(gerror), gerror->message};
        g_error_free(gerror);
        return false;
    }
    bool copied = true;
    try {
        bytes->assign(contents, contents + length);
    } catch (const std::bad_alloc&) {
        copied = false;
        if (error) *error = {FileReadFailure::kMemory, g_strerror(ENOMEM)};
    }
    g_free(contents);
    return copied;
}

bool ReplaceWholeFile(const char* path, const std::string& text, std::string* error) {
    GError* gerror = nullptr;
    if (g_file_set_contents(path, text.data(), static_cast<gssize>(text.size()), &gerror)) return true;
    if (error) *error = gerror->message;
    g_error_free(gerror);
    return false;
}
