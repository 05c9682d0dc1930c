// Capture devices: opening, the holder threads, the per-frame fetch, closing.
// Plain logic over VideoSource; only video_source_gst.cpp talks to GStreamer.
#include "capture/capture.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "app/app.h"
#include "capture/video_source.h"
#include "platform/clock.h"
#include "platform/dialogs.h"

// Two entries of 200 characters: primary, then secondary device.
const char kDeviceFiles[2][kDeviceFileLength] = {"dsvl/device1.xml", "dsvl/device2.xml"};

CaptureState capture;

namespace {

// Buffers a source hands out at once: the frame loop's and the two holders'.
constexpr unsigned kConcurrentCheckouts = 3;
// How long each holder thread keeps its buffer per cycle.
constexpr uintptr_t kHolderMilliseconds[2] = {30, 157};
// How long closing waits for the holders to leave.
constexpr int kHolderExitWaitMs = 2000;


const char kSecondCameraQuestion[] =
    "Lumora has found the secondary Video Device. Would you like to enable the secondary Video "
    "Device?";
const char kSizeMismatchNotice[] =
    "The primary Video Device and secondary Video Device has to be the same resolution ! You can "
    "set it up in the device file !";

// Keeps one buffer of the primary camera checked out for `hold_ms` of every
// cycle, beside the frame loop's own checkouts.  Never reads the frame.
void HolderThread(VideoSource* source, uintptr_t hold_ms) {
    MemoryBufferHandle l_mbHandle = 0;
    uint8_t* l_pPixelBuffer = nullptr;
    while (!capture.closing) {
        if (source->WaitForNextSample(-1) != 0 ||
            source->CheckoutMemoryBuffer(&l_mbHandle, &l_pPixelBuffer) < 0) {
            // Only a released or crowded source says no: do not spin on it.
            if (!capture.closing) Sleep(static_cast<uint32_t>(hold_ms));
            continue;
        }
        Sleep(static_cast<uint32_t>(hold_ms));
        source->CheckinMemoryBuffer(l_mbHandle);
    }
    --capture.holders_running;
}

void StartHolderThread(uintptr_t hold_ms) {
    ++capture.holders_running;
    std::thread(HolderThread, capture.video_source[0], hold_ms).detach();
}

// Builds `file`'s graph; with kFirstOnly, a later source standing in for
// the first is a failure too (the camera given back).
bool Build(VideoSource* source, const char* file, SourcesAllowed allowed) {
    if (source->BuildGraphFromXMLFile(file) < 0) return false;
    if (allowed == SourcesAllowed::kAny || source->StartedSource() == 0) return true;
    source->ReleaseGraph();
    return false;
}

bool OpenPrimary(VideoSource* source, const char* file,
                 SourcesAllowed allowed = SourcesAllowed::kAny) {
    long width = 0, height = 0;
    if (!Build(source, file, allowed)) return false;
    if (source->GetCurrentMediaFormat(&width, &height, &app.video_frame_rate) < 0) return false;
    app.video_width = static_cast<int32_t>(width);
    app.video_height = static_cast<int32_t>(height);
    if (source->EnableMemoryBuffer(kConcurrentCheckouts) < 0 || source->Run() < 0) return false;
    std::snprintf(capture.notice, sizeof capture.notice, "%s", source->CameraStandInNotice().c_str());
    return true;
}

// The secondary's rate, opened or not used, overwrites the primary's.
void OpenSecondary(VideoSource* source, const char* file) {
    const bool opened = source->BuildGraphFromXMLFile(file) >= 0;
    if (opened) {
        long width = 0, height = 0;
        source->GetCurrentMediaFormat(&width, &height, &app.video_frame_rate);
        capture.video_width2 = static_cast<int32_t>(width);
        capture.video_height2 = static_cast<int32_t>(height);
    }
    switch (OfferSecondCamera(opened, app.video_width, app.video_height, capture.video_width2,
                              capture.video_height2)) {
        case SecondCameraOffer::kNone:
            return;
        case SecondCameraOffer::kAsk:
            if (ShowMessageBox(kSecondCameraQuestion, "Display Question", MsgIcon::Question,
                               MsgButtons::YesNo) == kMsgYes) {
                source->EnableMemoryBuffer(kConcurrentCheckouts);
                source->Run();
                app.second_camera_enabled = true;
                return;
            }
            break;
        case SecondCameraOffer::kSizeMismatch:
            ShowMessageBox(kSizeMismatchNotice, "Info", MsgIcon::Information);
            break;
    }
    // Not used: give the camera back instead of keeping it open all run.
    source->ReleaseGraph();
}

int CamerasInUse() { return app.second_camera_enabled ? 2 : 1; }

// Sources deliver the top row first; our frames hold the bottom row first,
// as GL textures and BMP files do.  Turning the rows over in this copy costs
// no more than the copy itself, where a flip in the graph was one more pass
// over every frame and one more pool of buffers.
void CopyRowsTurnedOver(uint8_t* to, const uint8_t* from, size_t row_bytes, int rows) {
    for (int row = 0; row < rows; ++row)
        std::memcpy(to + static_cast<size_t>(rows - 1 - row) * row_bytes,
                    from + static_cast<size_t>(row) * row_bytes, row_bytes);
}

// Checks out camera i's newest frame and copies it when it is new.  True when
// frame_buffer[i] holds it.
bool FetchCamera(int i) {
    VideoSource* source = capture.video_source[i];
    capture.lost[i] = source && source->Lost();
    if (!source || !capture.frames[i]) return false;
    source->WaitForNextSample(1);
    uint8_t* pixels = nullptr;
    unsigned width = 0, height = 0;
    int64_t stamp = 0;
    if (source->CheckoutMemoryBuffer(&capture.frame_handle[i], &pixels, &width, &height, &stamp) < 0)
        return false;
    // A frame of another size never reaches our buffer (the source keeps
    // its size fixed; this guards the copy all the same).
    const bool fits = width == static_cast<unsigned>(app.video_width) &&
                      height == static_cast<unsigned>(app.video_height);
    if (fits) {
        if (stamp != capture.fetched_stamp[i]) {
            CopyRowsTurnedOver(capture.frames[i].get(), pixels,
                               static_cast<size_t>(app.video_width) * 4, app.video_height);
            capture.fetched_stamp[i] = stamp;
        }
        app.frame_buffer[i] = capture.frames[i].get();
    }
    source->GetCurrentTimestamp();
    source->CheckinMemoryBuffer(capture.frame_handle[i]);
    return fits;
}

// No frame yet: frame_buffer stays null until a camera's first fetch, and
// its texture keeps what it showed before (the grey of the rendering set-up
// at the start).
void PrepareFrames() {
    capture.frame_bytes = static_cast<size_t>(app.video_width) * app.video_height * 4;
    for (int i = 0; i < kCameraCount; ++i) {
        if (i < CamerasInUse())
            capture.frames[i].reset(new uint8_t[capture.frame_bytes]);
        else
            capture.frames[i].reset();
        capture.fetched_stamp[i] = 0;
        app.frame_buffer[i] = nullptr;
    }
}

// The secondary stops being used (it failed, or has another size than the
// primary); its camera is given back.
void LetSecondaryGo() {
    capture.video_source[kSecondaryCamera]->ReleaseGraph();
    app.second_camera_enabled = false;
    app.current_camera = kPrimaryCamera;
    if (app.view_mode == kViewSplit || app.view_mode == kViewSwap) app.view_mode = kViewNormal;
}

bool ReopenPrimary(VideoSource* source, const char* file, SourcesAllowed allowed) {
    if (!OpenPrimary(source, file, allowed)) {
        capture.failure = source->FailureReason();
        return false;
    }
    if (app.second_camera_enabled &&
        OfferSecondCamera(true, app.video_width, app.video_height, capture.video_width2,
                          capture.video_height2) == SecondCameraOffer::kSizeMismatch) {
        LetSecondaryGo();
        ShowMessageBox(kSizeMismatchNotice, "Info", MsgIcon::Information);
    }
    return true;
}

// The secondary is used at once when it has the primary's size (the user
// just asked for it); another size is refused as at the start.
bool ReopenSecondary(VideoSource* source, const char* file, SourcesAllowed allowed) {
    long width = 0, height = 0;
    double rate = 0;
    if (!Build(source, file, allowed) ||
        source->GetCurrentMediaFormat(&width, &height, &rate) < 0) {
        capture.failure = source->FailureReason();
        LetSecondaryGo();
        return false;
    }
    if (OfferSecondCamera(true, app.video_width, app.video_height, static_cast<int>(width),
                          static_cast<int>(height)) == SecondCameraOffer::kSizeMismatch) {
        capture.failure = kSizeMismatchNotice;
        LetSecondaryGo();
        return false;
    }
    capture.video_width2 = static_cast<int32_t>(width);
    capture.video_height2 = static_cast<int32_t>(height);
    source->EnableMemoryBuffer(kConcurrentCheckouts);
    source->Run();
    app.second_camera_enabled = true;
    return true;
}

}  // namespace


SecondCameraOffer OfferSecondCamera(bool opened, int primary_width, int primary_height, int width,
                                    int height) {
    if (!opened) return SecondCameraOffer::kNone;
    if (width == primary_width && height == primary_height) return SecondCameraOffer::kAsk;
    return SecondCameraOffer::kSizeMismatch;
}

bool OpenCaptureDevices(const char device_files[2][kDeviceFileLength]) {
    capture.closing = false;
    capture.notice[0] = '\0';
    capture.lost[0] = capture.lost[1] = false;
    capture.failure.clear();
    capture.video_source[0] = new VideoSource;
    capture.video_source[1] = new VideoSource;
    if (!OpenPrimary(capture.video_source[0], device_files[0])) {
        capture.failure = capture.video_source[0]->FailureReason();
        return false;
    }
    OpenSecondary(capture.video_source[1], device_files[1]);

    for (uintptr_t hold_ms : kHolderMilliseconds) StartHolderThread(hold_ms);
    PrepareFrames();
    return true;
}

bool ReopenCamera(Camera camera, const char* file, SourcesAllowed allowed) {
    VideoSource* source = capture.video_source[camera];
    if (!source) return false;
    capture.failure.clear();
    // Released first: a camera that the old mode holds is free for the new one.
    source->ReleaseGraph();
    const bool opened = camera == kPrimaryCamera ? ReopenPrimary(source, file, allowed)
                                                 : ReopenSecondary(source, file, allowed);
    if (opened) PrepareFrames();
    return opened;
}

const char* CaptureFailureReason() { return capture.failure.c_str(); }

bool CameraLost(int camera) {
    return camera >= 0 && camera < kCameraCount && capture.lost[camera];
}

FetchedFrames FetchFrames() {
    FetchedFrames fetched;
    for (int i = 0; i < CamerasInUse(); ++i) fetched.camera[i] = FetchCamera(i);
    return fetched;
}

bool CameraNewsWaiting(int camera) {
    if (camera < 0 || camera >= CamerasInUse()) return false;
    VideoSource* source = capture.video_source[camera];
    if (!source || !capture.frames[camera]) return false;
    return source->Lost() != capture.lost[camera] ||
           source->GetCurrentTimestamp() != capture.fetched_stamp[camera];
}

void WaitForCameraFrame(int camera, uint32_t timeout_ms) {
    if (timeout_ms == 0) return;
    const uint32_t start = GetTickCount();
    VideoSource* source = camera >= 0 && camera < CamerasInUse() ? capture.video_source[camera] : nullptr;
    if (source && source->WaitForNextSample(static_cast<long>(timeout_ms)) == 0) return;
    // A source that cannot wait answers at once: the pause still holds.
    const uint32_t waited = GetTickCount() - start;
    if (waited < timeout_ms) Sleep(timeout_ms - waited);
}

int64_t FetchedFrameStamp(int camera) {
    return camera >= 0 && camera < kCameraCount ? capture.fetched_stamp[camera] : 0;
}

void CloseCaptureDevices() {
    VideoSource* primary = capture.video_source[0];
    VideoSource* secondary = app.second_camera_enabled ? capture.video_source[1] : nullptr;
    if (!primary) return;
    capture.closing = true;
    primary->Stop();
    if (secondary) secondary->Stop();
    // Releasing wakes the holder threads, which then leave.
    primary->ReleaseGraph();
    if (secondary) secondary->ReleaseGraph();
    for (int waited = 0; capture.holders_running > 0 && waited < kHolderExitWaitMs; ++waited) Sleep(1);
    if (capture.holders_running > 0) return;  // never destroy a source a thread still uses
    delete primary;
    capture.video_source[0] = nullptr;
    if (secondary) {
        delete secondary;
        capture.video_source[1] = nullptr;
    }
}
