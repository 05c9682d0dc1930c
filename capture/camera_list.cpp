#include "capture/camera_list.h"

#include <algorithm>
#include <iterator>

namespace {

// Properties that name one device for as long as it is plugged in, best
// first: the V4L2 provider's device node, PipeWire's node of a V4L2 camera
// and its node name (PipeWire's object.serial changes at every plug, so it
// would not find the camera again).  Providers without them (libcamera's,
// the tests' fake cameras) name their devices uniquely in the display name.
constexpr const char* kIdentityKeys[] = {"device.path", "api.v4l2.path", "node.name"};

const std::string* PropertyValue(const DeviceProperties& properties, const char* key) {
    for (const auto& [name, value] : properties)
        if (name == key && !value.empty()) return &value;
    return nullptr;
}

}  // namespace

std::string CameraName(const DeviceProperties& properties, const std::string& display_name) {
    for (const char* key : kIdentityKeys)
        if (const std::string* value = PropertyValue(properties, key)) return *value;
    return display_name;
}

bool CameraAnswersTo(const std::string& wanted, const DeviceProperties& properties,
                     const std::string& display_name) {
    if (wanted == display_name) return true;
    return std::any_of(std::begin(kIdentityKeys), std::end(kIdentityKeys), [&](const char* key) {
        const std::string* value = PropertyValue(properties, key);
        return value && *value == wanted;
    });
}
