#include "platform/folders.h"

#include <glib.h>
#include <sys/stat.h>

#include <cstdlib>

namespace {

bool PathExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::string CurrentFolder() {
    gchar* folder = g_get_current_dir();
    std::string result = folder;
    g_free(folder);
    return result;
}

std::string ExecutableFolder() {
    gchar* target = g_file_read_link("/proc/self/exe", nullptr);
    if (!target) return "";
    gchar* folder = g_path_get_dirname(target);
    std::string result = folder;
    g_free(folder);
    g_free(target);
    return result;
}

std::string Home() {
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? home : g_get_home_dir();
}

// An absolute $NAME, else what the user's user-dirs.dirs says (GLib reads
// it), else ~/FALLBACK.
std::string UserFolder(const char* name, GUserDirectory directory, const char* fallback) {
    const char* given = std::getenv(name);
    if (given && given[0] == '/') return given;
    const char* listed = g_get_user_special_dir(directory);
    if (listed && listed[0] == '/') return listed;
    return Home() + "/" + fallback;
}

// Relative names count from the working folder.
std::string Absolute(const char* path, const std::string& working_folder) {
    if (!path || !*path) return "";
    if (path[0] == '/') return path;
    return working_folder + "/" + path;
}

}  // namespace

std::string UserConfigFolder() {
    // Not g_get_user_config_dir: it reads the variable once and keeps it.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    return config && config[0] == '/' ? config : Home() + "/.config";
}

LocationFacts GatherLocationFacts() {
    LocationFacts facts;
    facts.working_folder = CurrentFolder();
    facts.executable_folder = ExecutableFolder();
    facts.data_override = Absolute(std::getenv("LUMORA_DATA_DIR"), facts.working_folder);
    facts.pictures_folder = UserFolder("XDG_PICTURES_DIR", G_USER_DIRECTORY_PICTURES, "Pictures");
    facts.videos_folder = UserFolder("XDG_VIDEOS_DIR", G_USER_DIRECTORY_VIDEOS, "Videos");
    facts.config_folder = UserConfigFolder();
    facts.exists = PathExists;
    return facts;
}
