// Capture description files: parse, and use what a parse accepts as the
// capture layer does (caps text, frame fitting).
#include <cstdlib>

#include "capture/description_rewrite.h"
#include "capture/device_description.h"

namespace {

// The camera chooser's rewrite of any file: it parses, the picked camera
// first, then the file's sources but those naming the same device, in
// order; or, where the file is no plain text (NUL bytes) or is laid out
// beyond what the rewrite reads, the picked camera alone.
void CheckRewrite(const std::string& text, const DeviceDescription& old) {
    CaptureSourceSpec picked;
    picked.device = old.sources.empty() || old.sources[0].device.empty() ? "Cam <&\"'>"
                                                                            : old.sources[0].device;
    picked.width = 1280, picked.height = 720, picked.framerate_num = 30;
    const std::string rewritten = DescriptionWithFirstSource(text, picked);
    DeviceDescription parsed;
    if (!ParseDeviceDescription(rewritten.data(), rewritten.size(), &parsed, nullptr)) std::abort();
    if (parsed.sources[0].device != picked.device || parsed.sources[0].width != 1280) std::abort();
    if (parsed.sources.size() == 1) return;
    size_t kept = 1;
    for (const CaptureSourceSpec& source : old.sources) {
        if (source.device == picked.device) continue;
        if (kept >= parsed.sources.size() || parsed.sources[kept].kind != source.kind ||
            parsed.sources[kept].pipeline != source.pipeline ||
            parsed.sources[kept].device != source.device)
            std::abort();
        ++kept;
    }
    if (kept != parsed.sources.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DeviceDescription description;
    std::string error;
    const bool ok = ParseDeviceDescription(reinterpret_cast<const char*>(data), size, &description, &error);
    if (ok == description.sources.empty()) std::abort();  // accepted means at least one source
    if (!ok && error.empty()) std::abort();
    CheckRewrite(ok ? std::string(reinterpret_cast<const char*>(data), size) : std::string(),
                 description);
    for (const CaptureSourceSpec& source : description.sources) {
        if (source.kind == CaptureSourceSpec::kCamera) {
            (void)CameraCapsText(source);
            int width = source.width, height = source.height;
            if (width > 0 && height > 0 && FitFrameSize(&width, &height) &&
                (width < 1 || height < 1 || width > kMaxFrameSide || height > kMaxFrameSide))
                std::abort();
        }
    }
    return 0;
}
