#include "overlay/overlay.h"

#include <algorithm>
#include <cstdio>

#include "app/window.h"
#include "record/record.h"
#include "render/frame_loop.h"
#include "render/render.h"
#include "render/shader.h"

OverlayState overlay;

namespace {

Rgb OnOff(bool on) { return on ? kGreen : kRed; }

bool DrawableStatsMode() { return app.stats_mode == 0 || app.stats_mode == 1; }

// An entry of a fixed table of paths, or "" for an index out of range (the
// indices can come from stored settings).
template <size_t N, size_t L>
const char* TableEntry(const char (&table)[N][L], int index) {
    return index >= 0 && static_cast<size_t>(index) < N ? table[index] : "";
}

}  // namespace

Rgb PlateFill() { return {app.backplate_color_r, app.backplate_color_g, app.backplate_color_b}; }

Rgb PlateBorder() {
    return {app.backplate_border_color_r, app.backplate_border_color_g, app.backplate_border_color_b};
}

Rgb TextColor() { return {overlay.text_color[0], overlay.text_color[1], overlay.text_color[2]}; }

bool StatisticsGraphShown() {
    return app.window_on_off[kPanelStatistics] == 1 && app.full_screen && DrawableStatsMode();
}

Rgb FpsColor(int fps_value) {
    if (fps_value < 15) return kRed;
    if (fps_value < 30) return kYellow;
    return kGreen;
}

float ClampedBar(float value, int height) {
    const float bar = value * 100;
    return bar > static_cast<float>(height) ? static_cast<float>(height) : bar;
}

void RecordPcdHistory(int width, float bar) {
    overlay.pcd_history_length = std::clamp(width, 0, OverlayState::kHistoryCapacity - 1);
    const int cursor = overlay.pcd_history_cursor;
    if (cursor >= 0 && cursor < OverlayState::kHistoryCapacity) overlay.pcd_history[cursor] = bar;
}

void AdvancePcdHistory() {
    if (overlay.pcd_history_cursor < overlay.pcd_history_length)
        ++overlay.pcd_history_cursor;
    else
        overlay.pcd_history_cursor = 0;
}

int PcdHistoryDrawCount() {
    return std::clamp(overlay.pcd_history_cursor, 0, OverlayState::kHistoryCapacity - 1);
}

void FormatTimePanel(TimePanelText& text) {
    std::snprintf(text.time, sizeof text.time, "%.2i:%.2i:%.2i", app.clock_hour, app.clock_minute,
                  app.clock_second);
    std::snprintf(text.date, sizeof text.date, "%.2i/%.2i/%i", app.clock_day, app.clock_month,
                  app.clock_year);
    std::snprintf(text.fps, sizeof text.fps, "FPS: %s", frame_loop.fps_text);
}

const char* SecondsWord(int interval) { return interval == 1 ? "second" : "seconds"; }

void StepInfoPanel() {
    const int s = overlay.info_panel_step;
    int& phase = overlay.info_panel_phase;
    if (overlay.info_panel_open) {
        if (overlay.info_panel_height < 75 && phase == 0)
            overlay.info_panel_height += s;
        else
            phase = 1;
        if (overlay.info_panel_width < 100 && phase == 1) {
            overlay.info_panel_width += s;
        } else if (overlay.info_panel_width >= 100 && phase == 1) {
            overlay.info_panel_ready = true;
            phase = 0;
        }
    } else {
        overlay.info_panel_ready = false;
        if (overlay.info_panel_width > 0 && phase == 0)
            overlay.info_panel_width -= s;
        else
            phase = 1;
        if (overlay.info_panel_height > 0 && phase == 1)
            overlay.info_panel_height -= s;
        else
            phase = 0;
    }
}

void BuildInfoPanelLines(InfoPanelLine (&lines)[kInfoPanelLineCount]) {
    const Rgb text = TextColor();
    int n = 0;
    auto line = [&](Rgb color, const char* format, auto... args) {
        InfoPanelLine& l = lines[n];
        l.y = 1200.0f - 150.0f * static_cast<float>(n);
        l.color = color;
        std::snprintf(l.text, sizeof l.text, format, args...);
        ++n;
    };
    line(text, "Cg Vertex Shader: %s", TableEntry(kVertexProgramFiles, app.vertex_program_index));
    line(text, "Cg Pixel Shader: %s", TableEntry(kPixelProgramFiles, app.pixel_program_index));
    line(text, "Bmp Texture: %s", TableEntry(kMaskFiles, app.mask_index));
    line(kGrey, "%s", "******************************************");
    line(OnOff(app.motion_shot_on), "Motion Shot: %s", app.motion_shot_on ? "ON" : "OFF");
    line(OnOff(app.motion_recording), "Motion Record: %s", app.motion_recording ? "ON" : "OFF");
    line(OnOff(app.motion_alarm_on), "Motion Alarm: %s", app.motion_alarm_on ? "ON" : "OFF");
    const bool recording = app.record_mode >= kRecordNormal && app.record_mode <= kRecordScreen;
    line(OnOff(recording), "Record Mode: %s", RecordModeText(app.record_mode).panel);
    const bool shader = app.view_mode == kViewShader;
    line(OnOff(shader), "Cg Shader: %s", shader ? "ON" : "OFF");
    line(text, "Last Image PCD: %0.3f", static_cast<double>(app.pcd_previous));
    line(text, "Current Image PCD: %0.3f", static_cast<double>(app.pcd));
    line(OnOff(app.pcd_change < app.motion_max), "PCD between Images: %0.3f of %0.3f",
         static_cast<double>(app.pcd_change), static_cast<double>(app.motion_max));
    line(text, "Check Motion every: %i %s", app.motion_interval, SecondsWord(app.motion_interval));
}

namespace {

constexpr const char* kButtonsQuestion =
    "Buttons are only available in Fullscreen Mode. Du you want to change to Fullscreen Mode?";
constexpr const char* kStatisticQuestion =
    "Statistic is only available in Fullscreen Mode. Du you want to change to Fullscreen Mode?";

// An element drawn only in full screen: switching it on in window mode
// offers full screen first (it is on whatever the answer).
void FullScreenOnlySwitch(int32_t& on_off, const char* question) {
    if (on_off != 0) {
        on_off = 0;
        return;
    }
    if (!app.full_screen) OfferFullScreen(question);
    on_off = 1;
}

}  // namespace

void SwitchPanel(Panel panel) {
    if (panel == kPanelStatistics)
        FullScreenOnlySwitch(app.window_on_off[panel], kStatisticQuestion);
    else if (panel < kSavedPanelCount)
        app.window_on_off[panel] = app.window_on_off[panel] ? 0 : 1;
}

void SwitchButton(Button button) {
    if (button >= 0 && button < kButtonCount)
        FullScreenOnlySwitch(app.button_on_off[button], kButtonsQuestion);
}

void SwitchInfoPanel() { overlay.info_panel_open = !overlay.info_panel_open; }

void SwitchAllButtons() {
    const bool show = !overlay.buttons_shown;
    if (show && !app.full_screen) OfferFullScreen(kButtonsQuestion);
    for (int32_t& on : app.button_on_off) on = show ? 1 : 0;
    overlay.buttons_shown = show;
}

void SetColorSchema(ColorSchema schema) {
    struct Scheme {
        Rgb fill, border;
    };
    static const Scheme kSchemes[kColorSchemaCount] = {
        {{0.8f, 0.8f, 1.0f}, {0.0f, 0.0f, 1.0f}},  // Nice Blue
        {{1.0f, 0.5f, 0.5f}, {0.0f, 0.0f, 1.0f}},  // Nice Red
        {{0.5f, 1.0f, 0.5f}, {1.0f, 0.0f, 0.0f}},  // Nice Green
    };
    if (schema < 0 || schema >= kColorSchemaCount) return;
    const Scheme& s = kSchemes[schema];
    app.backplate_color_r = s.fill.r;
    app.backplate_color_g = s.fill.g;
    app.backplate_color_b = s.fill.b;
    app.backplate_border_color_r = s.border.r;
    app.backplate_border_color_g = s.border.g;
    app.backplate_border_color_b = s.border.b;
}

void SetStatisticMode(int32_t mode) { app.stats_mode = mode; }

void SwitchStatisticMode() { app.stats_mode = app.stats_mode == 0 ? 1 : 0; }
