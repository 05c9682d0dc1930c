// Record modes, motion record, the recording steps of the frame, shots and
// the BMP writer.  The window read-back and the labels are GL
// (record_gl.cpp); the writer is GStreamer (avi_generator_gst.cpp).
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "app/app.h"
#include "app/locations.h"
#include "capture/capture.h"
#include "console/console.h"
#include "overlay/notices.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "record/avi_file.h"
#include "record/avi_generator.h"
#include "record/precapture.h"
#include "record/record.h"
#include "record/storage_guard.h"

RecordState record;

namespace {

// Recording names without their extension: the chosen container adds it.
constexpr const char* kNormalRecordFormat =
    "%.2i_%.2i_%i_%.2i_%.2i_%.2i_record_dev1";
constexpr const char* kEffectRecordFormat =
    "%.2i_%.2i_%i_%.2i_%.2i_%.2i_effect_rec_screen";
constexpr const char* kScreenRecordFormat =
    "%.2i_%.2i_%i_%.2i_%.2i_%.2i_screen_rec_screen";
constexpr const char* kMotionRecordFormat =
    "%.2i_%.2i_%i_%.2i_%.2i_%.2i_motion_rec_dev1";
// The recording labels: font 3, their baseline 20 pixels below the top.
constexpr int kLabelFont = 3;
constexpr float kLabelTop = 20;

// A 32-bit BMP: the 14-byte file header, then the 40-byte info header.
constexpr uint32_t kBmpInfoHeaderBytes = 40;
constexpr uint32_t kBmpHeaderBytes = 14 + kBmpInfoHeaderBytes;

constexpr const char* kShotFormat = "%.2i_%.2i_%i_%.2i_%.2i_%.2i.bmp";

bool FileExists(const char* shown_name) {
    struct stat info;
    return stat(NativePath(shown_name).c_str(), &info) == 0;
}

// Formats a date-and-time name in the folder of its kind and makes it unique.
void FormatClockName(OutputKind kind, const char* format, const LocalTime& time, char* out,
                     size_t capacity) {
    char base[kPathLength];
    std::snprintf(base, sizeof base, format, time.day, time.month, time.year, time.hour, time.minute,
                  time.second);
    char name[kPathLength];
    std::snprintf(name, sizeof name, "%s%s", OutputFolder(kind).c_str(), base);
    if (!MakeUniqueFileName(name, out, capacity)) std::snprintf(out, capacity, "%s", name);
}

// The part of a shown path after its folder.
const char* BaseName(const char* path) {
    const char* base = path;
    for (const char* c = path; *c; ++c)
        if (*c == '/' || *c == '\\') base = c + 1;
    return base;
}

uint32_t NowMs() { return record.clock_ms ? record.clock_ms() : GetTickCount(); }

// The time now.  The app's clock fields are read once per frame, and a
// recording may start long after that, when the compressor dialog closes.
LocalTime LocalNow() { return record.local_time ? record.local_time() : ReadLocalTime(); }

// The time of the frame being drawn, for shots.
LocalTime FrameTime() {
    LocalTime time{};
    time.day = app.clock_day, time.month = app.clock_month, time.year = app.clock_year;
    time.hour = app.clock_hour, time.minute = app.clock_minute, time.second = app.clock_second;
    return time;
}

bool IsCameraMode(int mode) { return mode == kRecordNormal; }

bool StartRecording(int width, int height, const char* file_name, uint64_t precapture_ns = 0) {
    const int w4 = width / 4 * 4;
    const int h4 = height / 4 * 4;
    const BitmapInfoHeader header = FrameHeader(w4, h4);
    AviGenerator& writer = record.avi_generator;
    writer.SetPrecapture(precapture_ns);
    writer.FeedFile(false);
    record.precapture_cut_told = false;
    writer.SetFrameRate(kRecordFrameRate);
    writer.SetHeader(&header);
    writer.SetOutputName(file_name);
    const int32_t status = writer.Open();
    if (status == 0) {
        record.file_open = true;
        record.write_failed = false;
        record.frame_width = w4;
        record.frame_height = h4;
        record.frames_written = 0;
        record.run_frames = 0;
        record.stream_paused = true;
        record.fed_this_frame = false;
        return true;
    }
    // Whatever Open left half-open is released at once; the user hears about
    // it unless they cancelled the compression dialog themselves.
    const bool cancelled = status == kAviOpenCancelled && writer.GetLastErrorMessage() == "Ok";
    writer.Close();
    if (!cancelled) ShowMessageBox(writer.GetLastErrorMessage().c_str(), "Error", MsgIcon::Error);
    return false;
}

// A new recording: the compressor first, then the name, so that the name
// tells when recording began.  False when it did not (Cancel says nothing).
bool BeginRecording(const char* name_format, int width, int height, uint64_t precapture_ns = 0) {
    if (!record.avi_generator.ChooseCompressor()) return false;
    std::string reason;
    if (!PrepareOutputFolder(OutputKind::kRecordings, &reason)) {
        const std::string text = "The recording could not be started in " +
                                 OutputFolder(OutputKind::kRecordings) + ": " + reason + ".";
        ShowMessageBox(text.c_str(), "Error", MsgIcon::Error);
        return false;
    }
    // The running checks take over after the first second; the floor
    // absorbs what a second of even uncompressed frames writes.
    if (!MakeRoomForRecording(kGuardLeastAhead, "", &reason)) {
        const std::string text = "The recording could not be started: " + reason + ".";
        ShowMessageBox(text.c_str(), "Error", MsgIcon::Error);
        return false;
    }
    const std::string format =
        std::string(name_format) + ContainerExtension(record.avi_generator.ChosenContainer());
    FormatClockName(OutputKind::kRecordings, format.c_str(), LocalNow(), record.record_file_name,
                    sizeof record.record_file_name);
    if (!StartRecording(width, height, record.record_file_name, precapture_ns)) return false;
    ResetStorageGuard(NowMs());
    PostPassingNotice(("Recording to " + std::string(BaseName(record.record_file_name))).c_str(),
                      NowMs());
    return true;
}

void StopRecording(const char* file_name) {
    const bool was_open = record.file_open;
    record.avi_generator.Close();
    record.file_open = false;
    if (!was_open) return;
    const bool kept = record.avi_generator.GetFramesStored() > 0;
    PostPassingNotice(kept ? ("Recording saved: " + std::string(BaseName(file_name))).c_str()
                           : "Recording stopped: nothing was recorded",
                      NowMs());
    if (kept) {
        ShowMessageBox(file_name, "Info", MsgIcon::Information);
        return;
    }
    char text[kPathLength + 64];
    std::snprintf(text, sizeof text, "Nothing was recorded: %s received no frame and was removed.",
                  file_name);
    ShowMessageBox(text, "Info", MsgIcon::Information);
}

// Frames the stream is owed at this moment to keep real time.  A new run
// (first frame, resumed motion episode, long stall) owes exactly one.
uint32_t FramesDue(uint32_t now, bool commit) {
    if (record.stream_paused) {
        if (commit) {
            record.stream_paused = false;
            record.run_start_ms = now;
            record.run_frames = 0;
        }
        return 1;
    }
    const uint64_t due = uint64_t(now - record.run_start_ms) * kRecordFrameRate / 1000 + 1;
    if (due <= record.run_frames) return 0;
    const uint64_t owed = due - record.run_frames;
    if (owed <= kMaxCatchUpFrames) return static_cast<uint32_t>(owed);
    if (commit) {
        record.run_start_ms = now;
        record.run_frames = 0;
    }
    return 1;
}

// `pixels` holds rows of `width` pixels; the stream wants frame_width x
// frame_height.  Differing sizes are copied row by row, the rest black.
const uint8_t* FitToStream(const uint8_t* pixels, int width, int height) {
    const int fw = record.frame_width, fh = record.frame_height;
    if (width == fw && height >= fh) return pixels;
    const size_t size = size_t(fw) * fh * 4;
    if (record.repack_buffer.size() < size) record.repack_buffer.resize(size);
    uint8_t* out = record.repack_buffer.data();
    const int copy_width = std::clamp(width, 0, fw);
    const int copy_rows = std::clamp(height, 0, fh);
    if (copy_width < fw || copy_rows < fh) std::memset(out, 0, size);
    for (int row = 0; row < copy_rows; ++row)
        std::memcpy(out + size_t(row) * fw * 4, pixels + size_t(row) * width * 4,
                    size_t(copy_width) * 4);
    return out;
}

// Ends the recording without the box that names its file: a fault ends it,
// and the fault's box follows.
void AbandonRecording() {
    record.avi_generator.Close();
    record.file_open = false;
    app.record_mode = kRecordOff;
    app.motion_record_on = false;
    app.motion_recording = false;
}

// Once a second the storage guard makes room for the next seconds; when it
// cannot, the recording stops before the disk is full.
void GuardStorage() {
    std::string reason;
    if (GuardRunningRecording(NowMs(), record.record_file_name, &reason)) return;
    AbandonRecording();
    const std::string text =
        std::string("The recording ") + record.record_file_name + " was stopped: " + reason + ".";
    ShowMessageBox(text.c_str(), "Error", MsgIcon::Error);
}

void WriteDueFrames(const uint8_t* pixels, int width, int height) {
    record.fed_this_frame = true;
    const uint32_t count = FramesDue(NowMs(), true);
    if (count == 0) return;
    const uint8_t* frame = FitToStream(pixels, width, height);
    for (uint32_t i = 0; i < count; ++i) {
        const int32_t status = record.avi_generator.WriteFrame(frame);
        ++record.run_frames;
        if (status != 0) {
            // The disk is full or the folder is gone: the recording ends
            // here (its frames so far stay readable), with one box.
            AbandonRecording();
            if (!record.write_failed) {
                record.write_failed = true;
                char text[kPathLength + 64];
                std::snprintf(text, sizeof text, "Frames could not be written to %s.",
                              record.record_file_name);
                ShowMessageBox(text, "Error", MsgIcon::Error);
            }
            return;
        }
        ++record.frames_written;
    }
}

void StartRecordMode(RecordMode mode) {
    const bool started =
        mode == kRecordNormal
            ? BeginRecording(kNormalRecordFormat, app.video_width, app.video_height)
            : BeginRecording(mode == kRecordEffect ? kEffectRecordFormat : kScreenRecordFormat,
                             app.window_width, app.window_height);
    if (!started) return;
    app.record_mode = mode;
    record.recording_label_alpha = 0;
}

// Window recording: read back what is drawn so far, at the stream's size.
void RecordWindow() {
    if (!record.file_open) return;
    if (FramesDue(NowMs(), false) == 0) {
        record.fed_this_frame = true;
        return;
    }
    const int fw = record.frame_width, fh = record.frame_height;
    const int w4 = app.window_width / 4 * 4, h4 = app.window_height / 4 * 4;
    const int read_width = std::min(w4, fw), read_height = std::min(h4, fh);
    if (read_width <= 0 || read_height <= 0) return;
    const size_t size = size_t(fw) * fh * 4;
    if (record.screen_buffer.size() < size) record.screen_buffer.resize(size);
    // A window made smaller since the start leaves black where it ended.
    if (read_width < fw || read_height < fh) std::memset(record.screen_buffer.data(), 0, size);
    ReadWindowPixels(read_width, read_height, fw, record.screen_buffer.data());
    ++record.screen_reads;
    RecordVideo(false, false, fw, fh, record.screen_buffer.data(), record.record_file_name);
}

enum class ShotKind { Screenshot, MotionShot };

// The user asked for a screenshot and hears why it failed; motion may ask
// every second, so its failures go to the terminal and the console.
void ReportShotFailure(ShotKind kind, const char* name, const std::string& reason) {
    if (kind == ShotKind::Screenshot) {
        char text[kPathLength + 160];
        std::snprintf(text, sizeof text, "The screenshot could not be written to %s: %s.", name,
                      reason.c_str());
        ShowMessageBox(text, "Error", MsgIcon::Error);
        return;
    }
    char line[kPathLength + 160];
    std::snprintf(line, sizeof line, "motionshot: cannot write %s: %s", name, reason.c_str());
    std::fprintf(stderr, "%s\n", line);
    ConsolePrint(line);
}

void WriteShot(ShotKind kind) {
    const uint8_t* pixels = app.frame_buffer[app.current_camera];
    if (!pixels) {  // no camera frame yet: nothing to keep, and no fault
        std::fprintf(stderr, "%s: no camera picture yet, nothing saved\n",
                     kind == ShotKind::Screenshot ? "screenshot" : "motionshot");
        return;
    }
    char name[kPathLength];
    std::string reason;
    if (!PrepareOutputFolder(OutputKind::kShots, &reason)) {
        ReportShotFailure(kind, OutputFolder(OutputKind::kShots).c_str(), reason);
        return;
    }
    FormatClockName(OutputKind::kShots, kShotFormat, FrameTime(), name, sizeof name);
    if (!WriteBitmapFile(app.video_width, app.video_height, pixels, name, &reason)) {
        ReportShotFailure(kind, name, reason);
        return;
    }
    if (kind == ShotKind::Screenshot)
        PostPassingNotice(("Screenshot saved: " + std::string(BaseName(name))).c_str(), NowMs());
}

void Put16(uint8_t* at, uint16_t value) {
    at[0] = value & 0xFF;
    at[1] = value >> 8;
}

void Put32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = (value >> (8 * i)) & 0xFF;
}

// The file and info headers of a 32-bit bottom-up BMP of width x height.
void PutBitmapHeader(uint8_t* file, int width, int height) {
    const uint32_t size = uint32_t(width) * uint32_t(height) * 4;
    std::memset(file, 0, kBmpHeaderBytes);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file + 2, size + kBmpHeaderBytes);
    Put32(file + 10, kBmpHeaderBytes);
    Put32(file + 14, kBmpInfoHeaderBytes);
    Put32(file + 18, static_cast<uint32_t>(width));
    Put32(file + 22, static_cast<uint32_t>(height));
    Put16(file + 26, 1);   // planes
    Put16(file + 28, 32);  // bits per pixel
    Put32(file + 34, size);
}

// Writes `bytes` as the new file `path`: 0, or the errno of the failure.
// Half a picture (a full disk) is no picture: a failed write leaves no file.
int WriteNewFile(const std::string& path, const uint8_t* bytes, uint64_t size) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return errno;
    bool written = std::fwrite(bytes, 1, size, out) == size;
    int reason = written ? 0 : errno;
    if (std::fclose(out) != 0 && written) {
        written = false;
        reason = errno;
    }
    if (written) return 0;
    RemoveWrittenFile(path);
    return reason ? reason : EIO;
}

}  // namespace

bool MakeUniqueFileName(const char* name, char* out, size_t capacity) {
    if (!FileExists(name)) {
        if (std::strlen(name) >= capacity) return false;
        std::strcpy(out, name);
        return true;
    }
    const std::string full(name);
    const size_t separator = full.find_last_of("/\\");
    size_t dot = full.rfind('.');
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
        dot = full.size();
    const std::string stem = full.substr(0, dot), extension = full.substr(dot);
    for (int n = 2; n < 10000; ++n) {
        const std::string candidate = stem + "_" + std::to_string(n) + extension;
        if (candidate.size() >= capacity) return false;
        if (!FileExists(candidate.c_str())) {
            std::strcpy(out, candidate.c_str());
            return true;
        }
    }
    return false;
}

bool RecordVideo(bool start, bool stop, int width, int height, const uint8_t* pixels,
                 const char* file_name) {
    if (start) return StartRecording(width, height, file_name);
    if (stop) {
        StopRecording(file_name);
        return true;
    }
    if (!record.file_open || !pixels) return false;
    WriteDueFrames(pixels, width, height);
    return true;
}

const RecordModeNames& RecordModeText(RecordMode mode) {
    static const RecordModeNames kNames[] = {
        {"", "OFF", ""},
        {"normal", "Record", "Normal"},
        {"effect", "Effect Record", "Effect"},
        {"screen", "Screen Record", "Screen"},
    };
    return mode >= kRecordOff && mode <= kRecordScreen ? kNames[mode] : kNames[kRecordOff];
}

void TakeScreenshot() { record.screenshot_pending = true; }

void SetPrecaptureSeconds(int32_t seconds) { app.precapture_seconds = std::clamp(seconds, 0, kMaxPrecaptureSeconds); }

void SetRecordMode(RecordMode target) {
    if (target < kRecordOff || target > kRecordScreen) return;
    if (target == app.record_mode) return;
    if (target != kRecordOff && app.motion_record_on) {
        char text[kPathLength + 96];
        std::snprintf(text, sizeof text,
                      "Motion record is running (%s).\nSwitch motion record off first.",
                      record.record_file_name);
        ShowMessageBox(text, "Info", MsgIcon::Information);
        return;
    }
    if (app.record_mode != kRecordOff) {
        // Stopping needs no size; the camera or window size only matters
        // when a stream starts.
        RecordVideo(false, true, 0, 0, nullptr, record.record_file_name);
        app.record_mode = kRecordOff;
    }
    if (target != kRecordOff) StartRecordMode(target);
}

void SetMotionRecord() {
    if (!app.motion_record_on) {
        if (app.record_mode != kRecordOff) {
            char text[kPathLength + 96];
            std::snprintf(text, sizeof text,
                          "%s recording is running (%s).\nSwitch the record mode off first.",
                          RecordModeText(app.record_mode).running, record.record_file_name);
            ShowMessageBox(text, "Info", MsgIcon::Information);
            return;
        }
        const uint64_t precapture_ns = uint64_t(std::max(app.precapture_seconds, 0)) * kNsPerSecond;
        app.motion_record_on =
            BeginRecording(kMotionRecordFormat, app.video_width, app.video_height, precapture_ns);
        return;
    }
    app.motion_record_on = false;
    RecordVideo(false, true, app.video_width, app.video_height, nullptr, record.record_file_name);
    app.motion_recording = false;
}

void StopRecordings() {
    if (app.motion_record_on || IsCameraMode(app.record_mode))
        RecordVideo(false, true, app.video_width, app.video_height, nullptr, record.record_file_name);
    if (app.record_mode == kRecordEffect || app.record_mode == kRecordScreen)
        RecordVideo(false, true, app.window_width, app.window_height, nullptr, record.record_file_name);
}

void RecordEffectFrame() {
    if (app.record_mode == kRecordEffect) RecordWindow();
}

// Motion record with pre-capture feeds the writer every frame: between
// episodes the frames fill its ring, and an episode's file frames follow on.
bool Precapturing() {
    return app.motion_record_on && record.file_open && record.avi_generator.GetPrecapture() > 0;
}

// A pre-capture the memory budget cannot hold is said once per recording;
// the ring keeps what fits.
void TellPrecaptureCutShort() {
    if (record.precapture_cut_told || !record.avi_generator.PrecaptureCutShort()) return;
    record.precapture_cut_told = true;
    char line[256];
    std::snprintf(line, sizeof line,
                  "Pre-capture: %d seconds of these frames do not fit in %llu MiB; "
                  "motion recordings begin %.1f seconds before the event",
                  app.precapture_seconds, static_cast<unsigned long long>(kPrecaptureBudgetBytes >> 20),
                  double(record.avi_generator.PrecaptureHeldNs()) / kNsPerSecond);
    std::fprintf(stderr, "%s\n", line);
    ConsolePrint(line);
    PostPassingNotice(line, NowMs());
}

void RecordFinishedFrame() {
    if (record.file_open) GuardStorage();
    const bool precapturing = Precapturing();
    if (precapturing) record.avi_generator.FeedFile(app.motion_recording);
    const bool camera_frames = (app.motion_recording && app.motion_record_on) || precapturing ||
                               app.record_mode == kRecordNormal;
    // A lost camera's standing picture is no footage: the stream pauses and
    // goes on from the camera's return, the gap left out like a stall's.
    if (camera_frames && !CameraLost(app.current_camera))
        RecordVideo(false, false, app.video_width, app.video_height,
                    app.frame_buffer[app.current_camera], record.record_file_name);
    if (app.record_mode == kRecordScreen) RecordWindow();
    if (precapturing) TellPrecaptureCutShort();
    // A frame that fed nothing (motion record between episodes) ends the run
    // of frames: the next episode continues the stream without a gap.
    if (!record.fed_this_frame) record.stream_paused = true;
    record.fed_this_frame = false;
}

void WritePendingShots() {
    if (record.screenshot_pending) {
        WriteShot(ShotKind::Screenshot);
        record.screenshot_pending = false;
    }
    if (app.motion_shot_pending) {
        WriteShot(ShotKind::MotionShot);
        app.motion_shot_pending = false;
    }
}

void StepRecordingLabel() {
    if (record.recording_label_alpha < 0 || record.recording_label_alpha > 1)
        record.recording_label_step = -record.recording_label_step;
    record.recording_label_alpha += record.recording_label_step;
}

RecordingLabels NextRecordingLabels() {
    RecordingLabels labels;
    labels.x = static_cast<float>(app.window_width / 2);
    labels.y = kLabelTop;
    labels.font = kLabelFont;
    if (app.motion_recording)
        std::snprintf(labels.motion_text, sizeof labels.motion_text, "RECORDING...(times: %i)",
                      app.motion_record_duration - app.motion_record_elapsed);
    labels.blinking = app.record_mode != kRecordOff;
    labels.blink_alpha = record.recording_label_alpha;
    if (labels.blinking)
        StepRecordingLabel();
    else
        record.recording_label_alpha = 0;
    return labels;
}

bool WriteBitmapFile(int width, int height, const uint8_t* pixels, const char* path,
                     std::string* error) {
    auto fail = [error](const std::string& reason) {
        if (error) *error = reason;
        return false;
    };
    if (width <= 0 || height <= 0 || !pixels || !path) return fail("there is no picture");
    const uint64_t size = uint64_t(width) * uint64_t(height) * 4;
    if (size > 0xFFFFFFFFull - kBmpHeaderBytes) return fail("the picture is too large for a BMP file");
    std::unique_ptr<uint8_t[]> file(new (std::nothrow) uint8_t[kBmpHeaderBytes + size]);
    if (!file) return fail(std::strerror(ENOMEM));
    PutBitmapHeader(file.get(), width, height);
    std::memcpy(file.get() + kBmpHeaderBytes, pixels, size);
    const int reason = WriteNewFile(NativePath(path), file.get(), kBmpHeaderBytes + size);
    return reason == 0 || fail(std::strerror(reason));
}
