#include "capture/camera_chooser.h"

#include <glib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/locations.h"
#include "app/window.h"
#include "capture/capture.h"
#include "capture/description_rewrite.h"
#include "motion/motion.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "render/render.h"

CameraChooserState chooser;

namespace {

constexpr const char kTimesSign[] = "\xC3\x97";  // U+00D7, as in "1280×720"
constexpr const char kOwnModeLabel[] = "Its own mode";

// Only a mode of one size can be asked for by width and height.
bool Offered(const CameraMode& mode, const DecoderSet& decoders) {
    return mode.width.Fixed() && mode.height.Fixed() && decoders.Decodes(mode.format);
}

ChooserMode Unlabelled(const CameraMode& mode) {
    ChooserMode entry;
    entry.format = mode.format;
    entry.width = mode.width.min;
    entry.height = mode.height.min;
    entry.rate = mode.max_rate;
    return entry;
}

bool SameSizeAndRate(const ChooserMode& a, const ChooserMode& b) {
    return a.width == b.width && a.height == b.height && SameRate(a.rate, b.rate);
}

// Smallest size first, then the higher rate, then raw before compressed.
bool ListedBefore(const ChooserMode& a, const ChooserMode& b) {
    const int64_t area_a = int64_t{a.width} * a.height, area_b = int64_t{b.width} * b.height;
    if (area_a != area_b) return area_a < area_b;
    if (a.width != b.width) return a.width < b.width;
    if (!SameRate(a.rate, b.rate)) return RateBelow(b.rate, a.rate);
    return a.format < b.format;
}

std::string ModeLabel(const ChooserMode& mode, bool name_format) {
    std::string label = std::to_string(mode.width) + kTimesSign + std::to_string(mode.height);
    if (mode.rate.num) label += " " + RateText(mode.rate) + " fps";
    if (name_format) label += std::string(" (") + CameraFormatName(mode.format) + ")";
    return label;
}

// Asked for the size and rate alone, the camera would open another format.
bool NeedsPin(const std::vector<CameraMode>& modes, const ChooserMode& mode,
              const DecoderSet& decoders) {
    ModeAsk ask;
    ask.width = mode.width;
    ask.height = mode.height;
    ask.rate = mode.rate;
    ModeChoice choice;
    std::string error;
    return !ChooseCameraMode(modes, ask, decoders, &choice, &error) || choice.format != mode.format;
}

std::string FileText(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path.c_str(), &bytes)) return {};
    return std::string(bytes.begin(), bytes.end());
}

// A device file as it was before a pick, to put back when the pick fails.
struct FileBefore {
    std::string path;
    bool existed = false;
    std::string text;
};

FileBefore Remember(const std::string& path) {
    FileBefore before{path, g_file_test(path.c_str(), G_FILE_TEST_EXISTS) != 0, {}};
    if (before.existed) before.text = FileText(path);
    return before;
}

void PutBack(const FileBefore& before) {
    if (before.existed)
        ReplaceWholeFile(before.path.c_str(), before.text);
    else
        std::remove(before.path.c_str());
}

void SetDeviceFile(Camera slot, const std::string& path) {
    std::snprintf(locations.device_files[slot], kDeviceFileLength, "%s", path.c_str());
}

void ShowPickFailure(const CameraPick& pick, const std::string& reason) {
    const std::string text = "The camera " + pick.camera_label + " could not be opened (" +
                             pick.mode_label + "); the camera before stays.\n" + reason;
    ShowMessageBox(text.c_str(), "Error", MsgIcon::Error);
}

// What the window and the picture do after a camera opened in a new mode.
void FollowNewMode(bool secondary_was_used) {
    if (!app.full_screen) {
        const WindowSize size = CameraWindowSize();
        WindowReshape(size.width, size.height);
    }
    // The last snapshot has the old size: the next check only takes one.
    motion.motion_primed = false;
    if (app.second_camera_enabled && !secondary_was_used) {
        CreateTextures();  // the secondary's texture is made only while it is used
        app.view_mode = kViewSplit;
    }
}

// The pick failed: the file and the camera before it come back.  The
// reason is the pick's, and that of the old camera if it failed too.
std::string Restore(const CameraPick& pick, const FileBefore& written, const std::string& old_file,
                    const Application& before) {
    std::string reason = CaptureFailureReason();
    PutBack(written);
    SetDeviceFile(pick.slot, old_file);
    if (pick.slot == kSecondaryCamera && !before.second_camera_enabled) return reason;
    if (!ReopenCamera(pick.slot, old_file.c_str()))
        return reason + "\nThe camera before could not be opened again either:\n" +
               CaptureFailureReason();
    app.view_mode = before.view_mode;
    app.current_camera = before.current_camera;
    return reason;
}

}  // namespace

std::vector<ChooserMode> ChooserModes(const std::vector<CameraMode>& modes,
                                      const DecoderSet& decoders) {
    std::vector<ChooserMode> entries;
    for (const CameraMode& mode : modes)
        if (Offered(mode, decoders)) entries.push_back(Unlabelled(mode));
    std::stable_sort(entries.begin(), entries.end(), ListedBefore);
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const ChooserMode& a, const ChooserMode& b) {
                                  return SameSizeAndRate(a, b) && a.format == b.format;
                              }),
                  entries.end());
    if (entries.empty()) {
        // A camera that lists no modes we can ask for still opens in its own.
        ChooserMode own;
        own.label = kOwnModeLabel;
        return {own};
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const bool shared = (i > 0 && SameSizeAndRate(entries[i - 1], entries[i])) ||
                            (i + 1 < entries.size() && SameSizeAndRate(entries[i + 1], entries[i]));
        entries[i].label = ModeLabel(entries[i], shared);
        entries[i].pin_format = NeedsPin(modes, entries[i], decoders);
    }
    return entries;
}

CaptureSourceSpec ChosenSource(const std::string& camera_name, const ChooserMode& mode) {
    CaptureSourceSpec source;
    source.kind = CaptureSourceSpec::kCamera;
    source.device = camera_name;
    source.width = mode.width;
    source.height = mode.height;
    source.framerate_num = mode.rate.num;
    source.framerate_den = mode.rate.num ? mode.rate.den : 1;
    if (mode.pin_format) source.format = mode.format;
    return source;
}

std::vector<ChooserCamera> ChooserCameras(const std::vector<ListedCamera>& cameras,
                                          const DecoderSet& decoders) {
    std::vector<ChooserCamera> listed;
    for (size_t i = 0; i < cameras.size(); ++i) {
        const auto seen = std::count_if(cameras.begin(), cameras.begin() + i, [&](const ListedCamera& c) {
            return c.display_name == cameras[i].display_name;
        });
        ChooserCamera camera;
        camera.label = cameras[i].display_name;
        if (seen > 0) camera.label += " (" + std::to_string(seen + 1) + ")";
        camera.name = cameras[i].name;
        camera.modes = ChooserModes(cameras[i].modes, decoders);
        listed.push_back(std::move(camera));
    }
    return listed;
}

void ReadChooserCameras() { chooser.cameras = ChooserCameras(ListCameras(), InstalledDecoders()); }

void PickCameraMode(Camera slot, int camera, int mode) {
    if (camera < 0 || camera >= static_cast<int>(chooser.cameras.size())) return;
    const ChooserCamera& listed = chooser.cameras[camera];
    if (mode < 0 || mode >= static_cast<int>(listed.modes.size())) return;
    chooser.pick = CameraPick{slot, listed.label, listed.modes[mode].label,
                              ChosenSource(listed.name, listed.modes[mode])};
}

void DoCameraPick() {
    if (!chooser.pick) return;
    const CameraPick pick = *chooser.pick;
    chooser.pick.reset();
    std::string path, reason;
    if (!PrepareDeviceFileToWrite(pick.slot, &path, &reason)) return ShowPickFailure(pick, reason);
    const std::string old_file = locations.device_files[pick.slot];
    const FileBefore written = Remember(path);
    // The sources of the file read so far follow the new one (the shared
    // file's, the first time an installed program writes the user's copy).
    const std::string text = DescriptionWithFirstSource(FileText(old_file), pick.source);
    if (!ReplaceWholeFile(path.c_str(), text, &reason)) return ShowPickFailure(pick, reason);
    SetDeviceFile(pick.slot, path);
    const Application before = app;
    if (ReopenCamera(pick.slot, path.c_str(), SourcesAllowed::kFirstOnly))
        return FollowNewMode(before.second_camera_enabled);
    ShowPickFailure(pick, Restore(pick, written, old_file, before));
}
