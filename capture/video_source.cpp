// The GStreamer side's texts and its watch over a running source: plain
// logic, so that they are tested without GStreamer.
#include "capture/video_source.h"

#include "capture/device_description.h"

const char kSinkName[] = "lumora_sink";
const char kFitName[] = "lumora_fit";
// Scaling first keeps a big frame's conversion cheap.
const char kConversionTail[] =
    "videoscale ! videoconvert ! "
    "capsfilter name=lumora_fit caps=video/x-raw,format=BGRx ! "
    "appsink name=lumora_sink max-buffers=1 drop=true sync=true enable-last-sample=false";

std::string DescribeSource(const CaptureSourceSpec& source, size_t index) {
    std::string text = "source " + std::to_string(index + 1) + " (";
    if (source.kind == CaptureSourceSpec::kCamera && !source.device.empty())
        text += "device \"" + source.device + "\"";
    else if (source.kind == CaptureSourceSpec::kCamera)
        text += "camera " + std::to_string(source.camera_index);
    else
        text += source.pipeline;
    return text + ")";
}

std::string MissingCameraText(const CaptureSourceSpec& source, unsigned found) {
    const std::string count = "(" + std::to_string(found) + " found)";
    if (source.device.empty()) return "no such camera " + count;
    return "no camera named \"" + source.device + "\" " + count;
}

std::string PipelineText(const CaptureSourceSpec& source) {
    return source.pipeline + " ! " + kConversionTail;
}

std::string CameraLinkFailure(const std::string& mode) {
    return mode.empty() ? "the camera does not link to the conversion"
                        : "the camera offers no mode " + mode;
}

std::string UndecodedFrameNotice(const std::string& decoder, const std::string& detail) {
    return "a frame from the camera does not decode (" + decoder + (detail.empty() ? "" : ": ") +
           detail + "); such frames are skipped, and not told again";
}

namespace {

// GStreamer's sentences end in a full stop; ours go on after a semicolon.
std::string Clause(const std::string& sentence) {
    return !sentence.empty() && sentence.back() == '.' ? sentence.substr(0, sentence.size() - 1)
                                                       : sentence;
}

}  // namespace

std::string LostSourceNotice(const std::string& reason, int retry_ms) {
    const int seconds = (retry_ms + 999) / 1000;
    return Clause(reason) + "; the last frame stays, retrying every " + std::to_string(seconds) +
           " s";
}

std::string LostCameraNotice(const std::string& reason, const std::string& identity) {
    return Clause(reason) + "; the last frame stays until the camera (" + identity + ") is back";
}

std::string ReturnedCameraNotice(const std::string& name, int index) {
    return "the camera is back: " + name + ", now camera " + std::to_string(index);
}

SourceWatch::Action SourceWatch::Poll(bool failed, uint64_t serial, int64_t now_us, int retry_ms) {
    const int64_t retry_us = int64_t{retry_ms} * 1000;
    if (failed) {
        const Action action = lost ? kStop : kLose;
        lost = true;
        serial_at_loss = serial;
        next_retry_us = now_us + retry_us;
        return action;
    }
    if (lost && serial > serial_at_loss) {
        lost = false;
        return kRecover;
    }
    if (lost && now_us >= next_retry_us) {
        // Also covers a restart that neither fails nor delivers.
        next_retry_us = now_us + retry_us;
        return kRestart;
    }
    return kWait;
}

void SourceWatch::RetryNow(int64_t now_us) {
    if (lost) next_retry_us = now_us;
}
