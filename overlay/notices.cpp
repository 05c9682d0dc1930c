#include "overlay/notices.h"

#include <cstdarg>
#include <cstdio>

#include "app/app.h"
#include "capture/capture.h"
#include "model/model.h"
#include "render/render.h"
#include "render/shader.h"

namespace {

constexpr float kLineSpacing = 18;        // font 3 is 15 rows high
constexpr float kLeftMargin = 5;
constexpr float kLowestLineUnits = -108;  // overlay units: just above the info lamp
// Below the recording label's line, which has the top line.
constexpr float kPassingNoticeTop = 40;

// Owned here: the latest passing notice and when it goes (never reset; it
// simply expires).
struct PassingNotice {
    char text[kNoticeLength] = "";
    uint32_t until_ms = 0;
} passing_notice;

[[gnu::format(printf, 2, 3)]] void Add(NoticeList* list, const char* format, ...) {
    if (list->count >= kMaxNotices) return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(list->lines[list->count], kNoticeLength, format, args);
    va_end(args);
    ++list->count;
}

bool ShaderEffect(int pixel_program) {
    return app.view_mode == kViewShader && app.pixel_program_index == pixel_program;
}

// The keys fall back to the mask when there is no second camera to show.
bool MaskShown() {
    if (ShaderEffect(kPixelBmpMask)) return true;
    return !app.second_camera_enabled &&
           (ShaderEffect(kPixelChromaKey) || ShaderEffect(kPixelLuminanceKey));
}

int CamerasShown() { return app.second_camera_enabled ? kCameraCount : 1; }

}  // namespace

NoticeList CollectNotices(bool shader_programs_missing, int window_height) {
    NoticeList list;
    const bool shader_failed = app.view_mode == kViewShader && shader_programs_missing;
    if (shader_failed) Add(&list, "%s", render.cg_error_text);
    if (capture.notice[0] != '\0') Add(&list, "%s", capture.notice);
    for (int camera = 0; camera < CamerasShown(); ++camera)
        if (CameraLost(camera)) Add(&list, "Camera %d lost: waiting for it to return", camera + 1);
    if (MaskShown() && render.mask_load_failure[0] != '\0') Add(&list, "%s", render.mask_load_failure);
    if (ShaderEffect(kPixelModels) && !model_state.studio_model && model_state.load_failure[0] != '\0')
        Add(&list, "No model: %s", model_state.load_failure);
    if (app.motion_alarm_on && app.alarm_sound == 0)
        Add(&list, "Motion alarm is silent: %s could not be loaded", app.alarm_file);

    // The last line lowest; the shader failure notice keeps its own place.
    const float lowest = static_cast<float>(window_height) * (128 - kLowestLineUnits) / 256;
    for (int i = 0; i < list.count; ++i) {
        list.x[i] = kLeftMargin;
        list.y[i] = lowest - kLineSpacing * static_cast<float>(list.count - 1 - i);
    }
    if (shader_failed) list.y[0] = static_cast<float>(window_height / 3);
    return list;
}

void PostPassingNotice(const char* text, uint32_t now_ms) {
    std::snprintf(passing_notice.text, sizeof passing_notice.text, "%s", text);
    passing_notice.until_ms = now_ms + kPassingNoticeMs;
}

const char* CurrentPassingNotice(uint32_t now_ms, float* x, float* y) {
    // Signed, so that the tick counter's wrap does not end a notice early.
    if (passing_notice.text[0] == '\0' || static_cast<int32_t>(passing_notice.until_ms - now_ms) <= 0)
        return nullptr;
    *x = kLeftMargin;
    *y = kPassingNoticeTop;
    return passing_notice.text;
}
