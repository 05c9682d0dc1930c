#include "capture/camera_modes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace {

struct FormatInfo {
    CameraFormat format;
    const char* key;  // in description files
    const char* name;
    const char* media_type;
};

// Also the order of preference at equal size and rate: raw costs no
// decoding; Motion JPEG frames stand alone, so a bad one costs one frame.
constexpr FormatInfo kFormats[] = {
    {CameraFormat::kRaw, "raw", "raw", "video/x-raw"},
    {CameraFormat::kMjpeg, "mjpeg", "Motion JPEG", "image/jpeg"},
    {CameraFormat::kH264, "h264", "H.264", "video/x-h264"},
};

// Position in kFormats: lower is preferred.
size_t FormatRank(CameraFormat format) {
    size_t rank = 0;
    while (rank < std::size(kFormats) && kFormats[rank].format != format) ++rank;
    return rank;
}

const FormatInfo* FindFormat(CameraFormat format) {
    for (const FormatInfo& info : kFormats)
        if (info.format == format) return &info;
    return nullptr;
}

int64_t Cross(FrameRate a, FrameRate b) { return int64_t{a.num} * b.den; }

// Within 0.2 %: a camera's 30000/1001 is what a user asking for 30 means.
bool NearRate(FrameRate a, FrameRate b) {
    const int64_t difference = std::llabs(Cross(a, b) - Cross(b, a));
    return difference * 500 <= Cross(b, a);
}

// A camera that does not tell its rates (no framerate in its caps) is taken
// at its word for any asked rate.
bool RateUnknown(const CameraMode& mode) { return mode.max_rate.num == 0; }

bool RateFits(const CameraMode& mode, FrameRate asked) {
    if (RateUnknown(mode)) return true;
    const bool inside = !RateBelow(asked, mode.min_rate) && !RateBelow(mode.max_rate, asked);
    return inside || NearRate(asked, mode.min_rate) || NearRate(asked, mode.max_rate);
}

// The rate to hold a mode to: a fixed rate as the camera states it (the
// asked one may only be near it), an asked rate within a range as asked.
FrameRate RateWithin(const CameraMode& mode, FrameRate asked) {
    if (RateUnknown(mode)) return asked;
    if (asked.num == 0) return mode.max_rate;
    if (RateBelow(asked, mode.min_rate)) return mode.min_rate;
    if (RateBelow(mode.max_rate, asked)) return mode.max_rate;
    return asked;
}

std::string RangeText(SizeRange range) {
    std::string text = std::to_string(range.min);
    if (!range.Fixed()) text.append("-").append(std::to_string(range.max));
    return text;
}

std::string SizeText(const CameraMode& mode) {
    return RangeText(mode.width) + "x" + RangeText(mode.height);
}

// The distinct texts of `modes`, in the camera's order, joined by ", ".
template <typename Text>
std::string ListOf(const std::vector<CameraMode>& modes, Text text) {
    std::vector<std::string> seen;
    for (const CameraMode& mode : modes) {
        std::string item = text(mode);
        if (std::find(seen.begin(), seen.end(), item) == seen.end()) seen.push_back(item);
    }
    std::string list;
    for (const std::string& item : seen) list += (list.empty() ? "" : ", ") + item;
    return list;
}

std::string FormatList(const std::vector<CameraMode>& modes) {
    return ListOf(modes, [](const CameraMode& mode) {
        return mode.format == CameraFormat::kOther && !mode.media_type.empty()
                   ? mode.media_type
                   : std::string(CameraFormatName(mode.format));
    });
}

std::string DecoderHint(CameraFormat format) {
    std::string names;
    for (const char* name : CameraDecoderChains(format))
        names += (names.empty() ? "" : " or ") + std::string(name);
    return std::string(CameraFormatName(format)) + " needs " + names;
}

// Why no listed format can be used: the missing decoders, named.
std::string UndecodableText(const std::vector<CameraMode>& modes) {
    std::string text = "no decoder here takes the camera's formats (" + FormatList(modes) + ")";
    for (const FormatInfo& info : kFormats)
        if (!CameraDecoderChains(info.format).empty() &&
            std::any_of(modes.begin(), modes.end(),
                        [&](const CameraMode& mode) { return mode.format == info.format; }))
            text += "; " + DecoderHint(info.format);
    return text;
}

bool UsableModes(const std::vector<CameraMode>& modes, const ModeAsk& ask,
                 const DecoderSet& decoders, std::vector<CameraMode>* usable, std::string* error) {
    const bool pinned = ask.format != CameraFormat::kAny;
    if (pinned && !decoders.Decodes(ask.format)) {
        *error = "no " + std::string(CameraFormatName(ask.format)) + " decoder is installed (" +
                 DecoderHint(ask.format) + ")";
        return false;
    }
    for (const CameraMode& mode : modes)
        if ((!pinned || mode.format == ask.format) && decoders.Decodes(mode.format))
            usable->push_back(mode);
    if (!usable->empty()) return true;
    *error = pinned ? "the camera offers no " + std::string(CameraFormatName(ask.format)) +
                          " mode (it offers " + FormatList(modes) + ")"
                    : UndecodableText(modes);
    return false;
}

std::string AskedSizeText(const ModeAsk& ask) {
    if (ask.width && ask.height)
        return std::to_string(ask.width) + "x" + std::to_string(ask.height);
    if (ask.width) return std::to_string(ask.width) + " pixels wide";
    return std::to_string(ask.height) + " pixels high";
}

bool SameRange(SizeRange a, SizeRange b) { return a.min == b.min && a.max == b.max; }

// The modes of the asked size; what is not asked follows the first of them
// (the camera lists its own mode first) that has the asked rate.
bool ModesOfSize(const std::vector<CameraMode>& usable, const ModeAsk& ask,
                 std::vector<CameraMode>* sized, std::string* error) {
    std::vector<CameraMode> fitting;
    for (const CameraMode& mode : usable)
        if ((!ask.width || mode.width.Holds(ask.width)) &&
            (!ask.height || mode.height.Holds(ask.height)))
            fitting.push_back(mode);
    if (fitting.empty()) {
        *error = "the camera offers no mode " + AskedSizeText(ask) +
                 " (its sizes: " + ListOf(usable, SizeText) + ")";
        return false;
    }
    // An asked rate counts for the size that is not asked.
    auto own_it = std::find_if(fitting.begin(), fitting.end(), [&](const CameraMode& mode) {
        return ask.rate.num == 0 || RateFits(mode, ask.rate);
    });
    const CameraMode& own = own_it != fitting.end() ? *own_it : fitting.front();
    for (const CameraMode& mode : fitting)
        if ((ask.width || SameRange(mode.width, own.width)) &&
            (ask.height || SameRange(mode.height, own.height)))
            sized->push_back(mode);
    return true;
}

std::string RatesText(const CameraMode& mode) {
    if (SameRate(mode.min_rate, mode.max_rate)) return RateText(mode.max_rate);
    return RateText(mode.min_rate) + "-" + RateText(mode.max_rate);
}

// The modes that reach the asked rate, or the highest rate (29.97 counts as
// 30, so that a raw 29.97 is not passed over for a compressed 30).
bool ModesOfRate(const std::vector<CameraMode>& sized, FrameRate asked,
                 std::vector<CameraMode>* rated, std::string* error) {
    FrameRate best = sized.front().max_rate;
    for (const CameraMode& mode : sized)
        if (RateBelow(best, mode.max_rate)) best = mode.max_rate;
    for (const CameraMode& mode : sized)
        if (RateFits(mode, asked.num ? asked : best)) rated->push_back(mode);
    if (!rated->empty()) return true;
    *error = "the camera offers " + SizeText(sized.front()) + " at " + ListOf(sized, RatesText) +
             " fps, not at " + RateText(asked) + " fps";
    return false;
}

ModeChoice ChoiceOf(const CameraMode& mode, const ModeAsk& ask) {
    ModeChoice choice;
    choice.format = mode.format;
    choice.width = mode.width.Fixed() ? mode.width.min : ask.width;
    choice.height = mode.height.Fixed() ? mode.height.min : ask.height;
    choice.rate = RateWithin(mode, ask.rate);
    return choice;
}

}  // namespace

bool ParseCameraFormat(const std::string& name, CameraFormat* format) {
    for (const FormatInfo& info : kFormats)
        if (name == info.key) {
            *format = info.format;
            return true;
        }
    return false;
}

const char* CameraFormatKey(CameraFormat format) {
    const FormatInfo* info = FindFormat(format);
    return info ? info->key : "";
}

const char* CameraFormatName(CameraFormat format) {
    if (format == CameraFormat::kAny) return "any format";
    const FormatInfo* info = FindFormat(format);
    return info ? info->name : "another format";
}

const char* CameraFormatMediaType(CameraFormat format) {
    const FormatInfo* info = FindFormat(format);
    return info ? info->media_type : "";
}

CameraFormat CameraFormatOfMediaType(const std::string& media_type) {
    for (const FormatInfo& info : kFormats)
        if (media_type == info.media_type) return info.format;
    return CameraFormat::kOther;
}

std::vector<const char*> CameraDecoderChains(CameraFormat format) {
    switch (format) {
        case CameraFormat::kMjpeg:
            return {"jpegdec", "jpegparse ! avdec_mjpeg"};
        case CameraFormat::kH264:
            return {"avdec_h264", "openh264dec"};
        default:
            return {};
    }
}

std::vector<std::string> ChainElements(const std::string& chain) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start < chain.size()) {
        size_t end = chain.find('!', start);
        if (end == std::string::npos) end = chain.size();
        const size_t first = chain.find_first_not_of(' ', start);
        const size_t last = chain.find_last_not_of(' ', end - 1);
        if (first < end && last != std::string::npos && last >= first)
            names.push_back(chain.substr(first, last - first + 1));
        start = end + 1;
    }
    return names;
}

bool SameRate(FrameRate a, FrameRate b) { return Cross(a, b) == Cross(b, a); }

bool RateBelow(FrameRate a, FrameRate b) { return Cross(a, b) < Cross(b, a); }

std::string RateText(FrameRate rate) {
    if (rate.den == 1) return std::to_string(rate.num);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(rate.num) / rate.den);
    std::string trimmed = text;
    trimmed.erase(trimmed.find_last_not_of('0') + 1);
    if (trimmed.back() == '.') trimmed.pop_back();
    return trimmed;
}

bool DecoderSet::Decodes(CameraFormat format) const {
    switch (format) {
        case CameraFormat::kRaw:
            return true;
        case CameraFormat::kMjpeg:
            return mjpeg;
        case CameraFormat::kH264:
            return h264;
        default:
            return false;
    }
}

bool ChooseCameraMode(const std::vector<CameraMode>& modes, const ModeAsk& ask,
                      const DecoderSet& decoders, ModeChoice* choice, std::string* error) {
    std::vector<CameraMode> usable, sized, rated;
    if (!UsableModes(modes, ask, decoders, &usable, error) ||
        !ModesOfSize(usable, ask, &sized, error) || !ModesOfRate(sized, ask.rate, &rated, error))
        return false;
    // The first mode of the most preferred format.
    const auto preferred =
        std::min_element(rated.begin(), rated.end(), [](const CameraMode& a, const CameraMode& b) {
            return FormatRank(a.format) < FormatRank(b.format);
        });
    *choice = ChoiceOf(*preferred, ask);
    return true;
}

ModeChoice ChoiceWithoutModes(const ModeAsk& ask) {
    ModeChoice choice;
    choice.format = ask.format == CameraFormat::kAny ? CameraFormat::kRaw : ask.format;
    choice.width = ask.width;
    choice.height = ask.height;
    choice.rate = ask.rate;
    return choice;
}

std::string ModeChoiceCaps(const ModeChoice& choice) {
    std::string caps = CameraFormatMediaType(choice.format);
    if (choice.width) caps += ",width=" + std::to_string(choice.width);
    if (choice.height) caps += ",height=" + std::to_string(choice.height);
    if (choice.rate.num)
        caps +=
            ",framerate=" + std::to_string(choice.rate.num) + "/" + std::to_string(choice.rate.den);
    return caps;
}
