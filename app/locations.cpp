#include "app/locations.h"

#include <glib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "platform/paths.h"
#include "render/render.h"
#include "render/shader.h"

LocationState locations;

namespace {

// The folder every data folder has; a working folder without it is not one.
constexpr const char* kDataMark = "cg/pixel";
// Room a clock-named file needs after its folder ("DD_MM_YYYY_hh_mm_ss_...").
constexpr size_t kLongestOutputName = 48;

std::string Joined(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// The effect programs: without any of them the effects cannot be built.
std::vector<std::string> RequiredFiles() {
    std::vector<std::string> files;
    for (const auto& file : kVertexProgramFiles) files.emplace_back(file);
    for (const auto& file : kPixelProgramFiles) files.emplace_back(file);
    return files;
}

// A shown data path as the folder's own: "bmp/mask1.bmp" for ".\bmp\mask1.bmp".
std::string DataFile(const char* shown) {
    const std::string native = NativePath(shown);
    return native.rfind("./", 0) == 0 ? native.substr(2) : native;
}

// Files whose absence the program shows on screen when they are needed.
std::vector<std::string> OptionalFiles() {
    std::vector<std::string> files;
    for (const auto& mask : kMaskFiles) files.push_back(DataFile(mask));
    const Application defaults;
    files.push_back(DataFile(defaults.model_file));
    files.push_back(DataFile(defaults.alarm_file));
    return files;
}

std::vector<std::string> Missing(const LocationFacts& facts, const std::string& folder,
                                 const std::vector<std::string>& files) {
    std::vector<std::string> missing;
    for (const std::string& file : files)
        if (!facts.exists(Joined(folder, file))) missing.push_back(file);
    return missing;
}

// The data folder candidates in the order they are tried.
std::vector<std::string> Candidates(const LocationFacts& facts) {
    std::vector<std::string> candidates = {facts.working_folder};
    if (!facts.executable_folder.empty()) {
        candidates.push_back(Joined(facts.executable_folder, "data"));
        candidates.push_back(Joined(facts.executable_folder, "../share/lumora"));
    }
    return candidates;
}

std::string NotFoundText(const std::vector<std::string>& looked_in) {
    std::string text = "Lumora cannot find its data (effect programs, masks, model, sounds).\nLooked in:";
    for (const std::string& folder : looked_in) text += "\n  " + folder;
    return text + "\nStart Lumora in its data folder or name it in LUMORA_DATA_DIR.";
}

std::string IncompleteText(const std::string& folder, const std::vector<std::string>& missing) {
    std::string text = "Lumora's data folder " + folder + " is incomplete. Missing:";
    for (const std::string& file : missing) text += "\n  " + file;
    return text;
}

std::string UserDeviceFile(const std::string& config_folder, int slot) {
    return Joined(config_folder, std::string("Korvane/") + kDeviceFiles[slot]);
}

void PlaceDeviceFiles(const LocationFacts& facts, LocationState* state) {
    for (int slot = 0; slot < 2; ++slot) {
        const std::string own = UserDeviceFile(facts.config_folder, slot);
        if (own.size() >= kDeviceFileLength || !facts.exists(own)) continue;
        std::snprintf(state->device_files[slot], kDeviceFileLength, "%s", own.c_str());
    }
}

}  // namespace

LocationPlan PlanLocations(const LocationFacts& facts) {
    LocationPlan plan;
    std::string folder = facts.data_override;
    if (folder.empty()) {
        const std::vector<std::string> candidates = Candidates(facts);
        for (const std::string& candidate : candidates) {
            if (facts.exists(Joined(candidate, kDataMark))) {
                folder = candidate;
                break;
            }
        }
        if (folder.empty()) {
            plan.problem = NotFoundText(candidates);
            return plan;
        }
    }
    if (const auto missing = Missing(facts, folder, RequiredFiles()); !missing.empty()) {
        plan.problem = IncompleteText(folder, missing);
        return plan;
    }
    plan.runnable = true;
    plan.lacking = Missing(facts, folder, OptionalFiles());
    plan.state.data_folder = folder;
    plan.state.development = folder == facts.working_folder;
    plan.state.config_folder = facts.config_folder;
    if (!plan.state.development) {
        plan.state.shots_folder = Joined(facts.pictures_folder, "Lumora/");
        plan.state.recordings_folder = Joined(facts.videos_folder, "Lumora/");
        PlaceDeviceFiles(facts, &plan.state);
    }
    return plan;
}

bool ApplyLocations(const LocationPlan& plan, std::string* reason) {
    if (chdir(plan.state.data_folder.c_str()) != 0) {
        *reason = "Lumora cannot enter its data folder " + plan.state.data_folder + ": " +
                  std::strerror(errno);
        return false;
    }
    locations = plan.state;
    return true;
}

const std::string& OutputFolder(OutputKind kind) {
    return kind == OutputKind::kShots ? locations.shots_folder : locations.recordings_folder;
}

bool PrepareOutputFolder(OutputKind kind, std::string* reason) {
    if (locations.development) return true;
    const std::string& folder = OutputFolder(kind);
    if (folder.size() + kLongestOutputName >= static_cast<size_t>(kPathLength)) {
        *reason = "the folder's name is too long";
        return false;
    }
    if (g_mkdir_with_parents(folder.c_str(), 0755) == 0) return true;
    *reason = std::strerror(errno);
    return false;
}

bool PrepareDeviceFileToWrite(Camera camera, std::string* path, std::string* reason) {
    if (locations.development) {
        *path = kDeviceFiles[camera];
        return true;
    }
    *path = UserDeviceFile(locations.config_folder, camera);
    if (path->size() >= kDeviceFileLength) {
        *reason = "the folder's name is too long: " + *path;
        return false;
    }
    gchar* folder = g_path_get_dirname(path->c_str());
    const bool made = g_mkdir_with_parents(folder, 0755) == 0;
    if (!made) *reason = std::string("cannot make the folder ") + folder + ": " + std::strerror(errno);
    g_free(folder);
    return made;
}
