// Camera modes: what a camera offers (format, size, frame rate) and which
// mode a camera <source> opens.
//
// The choice: the asked size (or, when none is asked, the size of the first
// mode the camera lists, its own), then the asked rate (or the highest one
// at that size), then the format: raw if a raw mode reaches that rate, else
// Motion JPEG, else H.264.  Only formats with an installed decoder count; a
// pinned format (format="mjpeg" in the description file) is the only one
// that counts.  When no mode fits, the reason says what was missing: the
// format, a decoder, the size or the rate.
//
// Plain logic: the GStreamer side reads the modes out of the camera's caps
// (camera_modes_gst.cpp) and builds the pipeline from the choice.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// kAny only in an ask (no format pinned); kOther is a mode in a format that
// nothing here decodes (H.265, Bayer, ...).
enum class CameraFormat { kAny, kRaw, kMjpeg, kH264, kOther };

// "raw", "mjpeg", "h264": the names of the description file; false for others.
bool ParseCameraFormat(const std::string& name, CameraFormat* format);
// The description file's name of a format ("" for kAny and kOther).
const char* CameraFormatKey(CameraFormat format);
// "raw", "Motion JPEG", "H.264", "another format": for messages.
const char* CameraFormatName(CameraFormat format);
// The GStreamer media type and back ("video/x-raw", "image/jpeg", "video/x-h264").
const char* CameraFormatMediaType(CameraFormat format);
CameraFormat CameraFormatOfMediaType(const std::string& media_type);

// Decoders of a compressed format, best first, each a chain of elements in
// gst-launch syntax (avdec_mjpeg takes only frames that jpegparse has
// looked at).  jpegdec decodes Motion JPEG in about half the time of
// avdec_mjpeg here (bench/capture_bench).  Empty for raw and other formats.
std::vector<const char*> CameraDecoderChains(CameraFormat format);
// The element names of a chain: "jpegparse ! avdec_mjpeg" gives both.
std::vector<std::string> ChainElements(const std::string& chain);

struct FrameRate {
    int num = 0, den = 1;  // 0/1: unknown, or not asked
};
// Equal rates, also when written differently (60/2 and 30/1).
bool SameRate(FrameRate a, FrameRate b);
bool RateBelow(FrameRate a, FrameRate b);
// "30", "29.97", "7.5": for messages and menus.
std::string RateText(FrameRate rate);

struct SizeRange {
    int min = 0, max = 0;
    bool Fixed() const { return min == max; }
    bool Holds(int value) const { return value >= min && value <= max; }
};

// One mode as a camera lists it: sizes and rates may be ranges (min = max
// for a fixed value).
struct CameraMode {
    CameraFormat format = CameraFormat::kRaw;
    std::string media_type;  // names a format of kOther in messages
    SizeRange width, height;
    FrameRate min_rate, max_rate;
};

// What the description file asks: 0 for what is not asked.
struct ModeAsk {
    CameraFormat format = CameraFormat::kAny;
    int width = 0, height = 0;
    FrameRate rate;
};

// The mode to open: what is 0 is left to the camera (a range not asked for).
struct ModeChoice {
    CameraFormat format = CameraFormat::kRaw;
    int width = 0, height = 0;
    FrameRate rate;
};

// Which compressed formats this machine decodes (raw always is).
struct DecoderSet {
    bool mjpeg = false, h264 = false;
    bool Decodes(CameraFormat format) const;
};

// Picks the mode for `ask` among `modes` (the camera's list, not empty).
// False with the reason when none fits.
bool ChooseCameraMode(const std::vector<CameraMode>& modes, const ModeAsk& ask,
                      const DecoderSet& decoders, ModeChoice* choice, std::string* error);

// The choice for a camera that lists no modes: the ask as it is (raw unless
// a format is pinned); the camera itself refuses what it lacks.
ModeChoice ChoiceWithoutModes(const ModeAsk& ask);

// The GStreamer side (camera_modes_gst.cpp).
typedef struct _GstCaps GstCaps;
// The modes of a camera's caps: a list of sizes or rates gives a mode each;
// a mode without a rate has the rate 0/1 (unknown).  Empty for ANY caps.
std::vector<CameraMode> CameraModesOfCaps(const GstCaps* caps);
// Which decoders are installed, and the best installed chain of a format
// (nullptr when none is).
DecoderSet InstalledDecoders();
const char* InstalledDecoder(CameraFormat format);

// The caps that hold a camera to `choice`, e.g.
// "image/jpeg,width=1920,height=1080,framerate=30/1"; "video/x-raw" alone
// when everything is left to the camera.
std::string ModeChoiceCaps(const ModeChoice& choice);
