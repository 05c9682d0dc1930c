// Camera modes out of GStreamer caps, and the decoders GStreamer has.
#include <gst/gst.h>

#include "capture/camera_modes.h"

namespace {

// The sizes of an int field: a value, a range or a list of them; a missing
// field allows any size.
std::vector<SizeRange> SizesOf(const GValue* value) {
    if (!value) return {SizeRange{1, G_MAXINT}};
    if (G_VALUE_HOLDS_INT(value))
        return {SizeRange{g_value_get_int(value), g_value_get_int(value)}};
    if (GST_VALUE_HOLDS_INT_RANGE(value))
        return {SizeRange{gst_value_get_int_range_min(value), gst_value_get_int_range_max(value)}};
    std::vector<SizeRange> sizes;
    if (GST_VALUE_HOLDS_LIST(value))
        for (guint i = 0; i < gst_value_list_get_size(value); ++i)
            for (SizeRange size : SizesOf(gst_value_list_get_value(value, i)))
                sizes.push_back(size);
    return sizes;
}

FrameRate RateOf(const GValue* value) {
    return FrameRate{gst_value_get_fraction_numerator(value),
                     gst_value_get_fraction_denominator(value)};
}

struct RateRange {
    FrameRate min, max;
};

// The rates of the framerate field, as SizesOf; a missing field: unknown (0/1).
std::vector<RateRange> RatesOf(const GValue* value) {
    if (!value) return {RateRange{}};
    if (GST_VALUE_HOLDS_FRACTION(value)) return {RateRange{RateOf(value), RateOf(value)}};
    if (GST_VALUE_HOLDS_FRACTION_RANGE(value))
        return {RateRange{RateOf(gst_value_get_fraction_range_min(value)),
                          RateOf(gst_value_get_fraction_range_max(value))}};
    std::vector<RateRange> rates;
    if (GST_VALUE_HOLDS_LIST(value))
        for (guint i = 0; i < gst_value_list_get_size(value); ++i)
            for (RateRange rate : RatesOf(gst_value_list_get_value(value, i)))
                rates.push_back(rate);
    return rates;
}

void AddModesOf(const GstStructure* structure, std::vector<CameraMode>* modes) {
    CameraMode mode;
    mode.media_type = gst_structure_get_name(structure);
    mode.format = CameraFormatOfMediaType(mode.media_type);
    for (SizeRange width : SizesOf(gst_structure_get_value(structure, "width")))
        for (SizeRange height : SizesOf(gst_structure_get_value(structure, "height")))
            for (RateRange rate : RatesOf(gst_structure_get_value(structure, "framerate"))) {
                mode.width = width;
                mode.height = height;
                mode.min_rate = rate.min;
                mode.max_rate = rate.max;
                modes->push_back(mode);
            }
}

bool Installed(const char* chain) {
    for (const std::string& name : ChainElements(chain)) {
        GstElementFactory* factory = gst_element_factory_find(name.c_str());
        if (!factory) return false;
        gst_object_unref(factory);
    }
    return true;
}

}  // namespace

std::vector<CameraMode> CameraModesOfCaps(const GstCaps* caps) {
    std::vector<CameraMode> modes;
    if (!caps || gst_caps_is_any(caps)) return modes;
    for (guint i = 0; i < gst_caps_get_size(caps); ++i)
        AddModesOf(gst_caps_get_structure(caps, i), &modes);
    return modes;
}

DecoderSet InstalledDecoders() {
    DecoderSet decoders;
    decoders.mjpeg = InstalledDecoder(CameraFormat::kMjpeg) != nullptr;
    decoders.h264 = InstalledDecoder(CameraFormat::kH264) != nullptr;
    return decoders;
}

const char* InstalledDecoder(CameraFormat format) {
    for (const char* chain : CameraDecoderChains(format))
        if (Installed(chain)) return chain;
    return nullptr;
}
