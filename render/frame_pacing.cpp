#include "render/frame_pacing.h"

#include <algorithm>
#include <cmath>

#include "app/app.h"
#include "capture/capture.h"
#include "overlay/notices.h"
#include "overlay/overlay.h"
#include "platform/clock.h"
#include "record/record.h"
#include "render/frame_loop.h"
#include "render/shader.h"
#include "web/web.h"

FramePacingState frame_pacing;

bool NeedsDrawing(const PacingFacts& facts) {
    return facts.camera_news || facts.redraw_requested || facts.second_changed ||
           ((facts.animating || facts.other_news) && facts.overdue);
}

bool DrawingOverdue(uint32_t last_ms, uint32_t now_ms, double frame_rate, uint32_t longest_ms) {
    const double period_ms = frame_rate > 0 ? 1000.0 / frame_rate : longest_ms;
    return now_ms - last_ms >= 1.5 * period_ms;
}

uint32_t PauseAfterRun(uint32_t run_ms, double frame_rate, uint32_t longest_ms) {
    if (!(frame_rate > 0)) return longest_ms;
    const double period_ms = 1000.0 / frame_rate;
    if (run_ms >= period_ms) return 0;
    return std::min(longest_ms, static_cast<uint32_t>(std::floor(period_ms - run_ms)));
}

namespace {

bool InfoPanelMoving() {
    if (overlay.info_panel_open) return !overlay.info_panel_ready;
    return overlay.info_panel_width > 0 || overlay.info_panel_height > 0;
}

bool ShaderPictureMoves() {
    return app.view_mode == kViewShader &&
           (app.vertex_program_index != kVertexNone || UsesModelPass() || UsesFrameHistory());
}

}  // namespace

bool Animating(uint32_t now_ms) {
    float x = 0, y = 0;
    const bool recording = app.record_mode != kRecordOff || app.motion_recording || record.file_open;
    return recording || CurrentPassingNotice(now_ms, &x, &y) != nullptr || record.screenshot_pending ||
           InfoPanelMoving() || frame_loop.swap_transition_running || ShaderPictureMoves();
}

void RequestRedraw() { frame_pacing.redraw_requested = true; }

PacingFacts GatherPacingFacts(uint32_t now_ms) {
    PacingFacts facts;
    const int shown = app.current_camera;
    facts.camera_news = CameraNewsWaiting(shown);
    facts.other_news = CameraNewsWaiting(shown == kPrimaryCamera ? kSecondaryCamera : kPrimaryCamera);
    facts.redraw_requested = frame_pacing.redraw_requested || WebWaiting(now_ms);
    facts.second_changed = ReadLocalTime().second != app.clock_second;
    facts.animating = Animating(now_ms);
    facts.overdue = DrawingOverdue(frame_pacing.last_drawn_ms, now_ms, app.video_frame_rate,
                                   frame_loop.sleep_milliseconds);
    return facts;
}

void NoteDrawing(uint32_t now_ms) {
    frame_pacing.redraw_requested = false;
    frame_pacing.last_drawn_ms = now_ms;
}
