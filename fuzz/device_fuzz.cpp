// Capture description files: parse, and use what a parse accepts as the
// capture layer does (caps text, frame fitting).
#include <cstdlib>

#include "capture/device_description.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DeviceDescription description;
    std::string error;
    const bool ok = ParseDeviceDescription(reinterpret_cast<const char*>(data), size, &description, &error);
    if (ok == description.sources.empty()) std::abort();  // accepted means at least one source
    if (!ok && error.empty()) std::abort();
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
