#include "platform/settings_store.h"

#include <glib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/folders.h"

namespace {

// GKeyFile reads "name[x]=" as a translation of "name", so brackets in our
// value names are escaped in the file: '[' -> "%5B", ']' -> "%5D", '%' -> "%25".
std::string FileKey(const char* name) {
    std::string key;
    for (const char* c = name; *c; ++c) {
        switch (*c) {
            case '[': key += "%5B"; break;
            case ']': key += "%5D"; break;
            case '%': key += "%25"; break;
            case '=': key += "%3D"; break;
            default: key += *c;
        }
    }
    return key;
}

GKeyFile* LoadFile() {
    GKeyFile* file = g_key_file_new();
    const std::string path = SettingsFilePath();
    g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_KEEP_COMMENTS, nullptr);
    return file;
}

}  // namespace

std::string SettingsFilePath() {
    return UserConfigFolder() + "/Korvane/Lumora.conf";
}

int WriteSettingText(const char* section, const char* name, const char* text) {
    const std::string path = SettingsFilePath();
    gchar* folder = g_path_get_dirname(path.c_str());
    const int made = g_mkdir_with_parents(folder, 0700);
    const int made_errno = errno;
    if (made != 0)
        std::fprintf(stderr, "settings: cannot write %s: cannot make the folder %s: %s\n", path.c_str(),
                     folder, g_strerror(made_errno));
    g_free(folder);
    if (made != 0) return 0;

    GKeyFile* file = LoadFile();
    g_key_file_set_value(file, section, FileKey(name).c_str(), text);
    GError* error = nullptr;
    const gboolean saved = g_key_file_save_to_file(file, path.c_str(), &error);
    if (!saved) {
        std::fprintf(stderr, "settings: cannot write %s: %s\n", path.c_str(), error->message);
        g_error_free(error);
    }
    g_key_file_free(file);
    return saved ? 1 : 0;
}

int ReadSettingText(const char* section, const char* name, const char* default_text, char* out,
                    int capacity) {
    if (capacity <= 0) return 0;
    auto use_default = [&] {
        g_strlcpy(out, default_text, capacity);
        return static_cast<int>(std::strlen(out));
    };
    GKeyFile* file = LoadFile();
    gchar* value = g_key_file_get_value(file, section, FileKey(name).c_str(), nullptr);
    g_key_file_free(file);
    if (!value) return use_default();
    const size_t length = std::strlen(value);
    int result;
    if (length + 1 > static_cast<size_t>(capacity)) {
        result = use_default();
    } else {
        std::memcpy(out, value, length + 1);
        result = static_cast<int>(length + 1);
    }
    g_free(value);
    return result;
}

int WriteSettingUnsigned(const char* section, const char* name, uint32_t value) {
    char text[20];
    std::snprintf(text, sizeof text, "%u", value);
    return WriteSettingText(section, name, text);
}

uint32_t ReadSettingUnsigned(const char* section, const char* name, uint32_t default_value) {
    char default_text[20];
    std::snprintf(default_text, sizeof default_text, "%u", default_value);
    char text[20];
    ReadSettingText(section, name, default_text, text, sizeof text);
    // The leading digits count, as an unsigned scan reads them ("12abc" is
    // 12); text edited by hand that starts otherwise, or that does not fit
    // 32 bits, is no number.
    if (text[0] < '0' || text[0] > '9') return default_value;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text, nullptr, 10);
    if (errno != 0 || parsed > UINT32_MAX) return default_value;
    return static_cast<uint32_t>(parsed);
}
