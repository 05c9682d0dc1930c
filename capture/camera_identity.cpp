// Camera identity: the traits that tell cameras apart and how two
// identities are compared.
#include "capture/camera_identity.h"

namespace {

// The value of `trait` in `identity`, or nullptr when the device lacks it.
const std::string* TraitValue(const CameraIdentity& identity, int trait) {
    for (const CameraIdentity::Property& property : identity.properties)
        if (property.trait == trait) return &property.value;
    return nullptr;
}

// How many traits both have with equal values.
int AgreeingTraits(const CameraIdentity& a, const CameraIdentity& b) {
    int agreeing = 0;
    for (const CameraIdentity::Property& property : a.properties) {
        const std::string* other = TraitValue(b, property.trait);
        if (other && *other == property.value) ++agreeing;
    }
    return agreeing;
}

}  // namespace

const std::vector<CameraTrait>& CameraTraits() {
    // V4L2's provider (udev) and PipeWire name the same things differently.
    static const std::vector<CameraTrait> kTraits = {
        {"serial number", {"device.serial"}},
        {"port", {"api.v4l2.cap.bus_info", "v4l2.device.bus_info"}},
        {"bus path", {"device.bus_path", "device.bus-path"}},
    };
    return kTraits;
}

void AddCameraProperty(CameraIdentity* identity, const std::string& key, const std::string& value) {
    if (value.empty()) return;
    const std::vector<CameraTrait>& traits = CameraTraits();
    for (size_t trait = 0; trait < traits.size(); ++trait)
        for (const char* name : traits[trait].keys)
            if (key == name && !TraitValue(*identity, static_cast<int>(trait)))
                identity->properties.push_back({static_cast<int>(trait), value});
}

CameraIdentity IdentityOf(const DeviceFacts& device) {
    CameraIdentity identity;
    identity.display_name = device.display_name;
    identity.kind = device.kind;
    for (const auto& [key, value] : device.properties) AddCameraProperty(&identity, key, value);
    return identity;
}

bool SameCamera(const CameraIdentity& a, const CameraIdentity& b) {
    for (size_t trait = 0; trait < CameraTraits().size(); ++trait) {
        const std::string* first = TraitValue(a, static_cast<int>(trait));
        const std::string* second = TraitValue(b, static_cast<int>(trait));
        if (first && second) return *first == *second;
    }
    return !a.display_name.empty() && a.display_name == b.display_name && a.kind == b.kind;
}

int FindCameraIn(const CameraIdentity& wanted, const std::vector<CameraIdentity>& present) {
    int best = -1, best_agreeing = -1;
    for (size_t i = 0; i < present.size(); ++i) {
        if (!SameCamera(wanted, present[i])) continue;
        const int agreeing = AgreeingTraits(wanted, present[i]);
        if (agreeing > best_agreeing) {
            best = static_cast<int>(i);
            best_agreeing = agreeing;
        }
    }
    return best;
}

std::string DescribeCameraIdentity(const CameraIdentity& identity) {
    std::string text;
    for (const CameraIdentity::Property& property : identity.properties) {
        if (!text.empty()) text += ", ";
        text += std::string(CameraTraits()[static_cast<size_t>(property.trait)].name) + " " +
                property.value;
    }
    return text.empty() ? "\"" + identity.display_name + "\"" : text;
}
