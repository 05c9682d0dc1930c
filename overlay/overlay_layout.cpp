#include "overlay/overlay_layout.h"

#include <algorithm>
#include <cstdio>

#include "overlay/overlay.h"
#include "render/frame_loop.h"
#include "render/render.h"
#include "render/shader.h"

const ButtonEntry kButtonTable[kButtonCount] = {
    {0, kViewSplit}, {1, kViewSwap}, {8, kViewNormal}, {9, kViewShader}, {2, -1},  {3, -1}, {4, -1},
    {5, -1},         {6, -1},        {10, -1},         {11, -1},         {12, -1}, {7, -1},
};

namespace {

constexpr int kMagnifierPixelProgram = 8;

Rgb OnOff(bool on) { return on ? kGreen : kRed; }

bool DrawableStatsMode() { return app.stats_mode == 0 || app.stats_mode == 1; }

// An entry of a fixed table of paths, or "" for an index out of range (the
// indices can come from stored settings).
template <size_t N, size_t L>
const char* TableEntry(const char (&table)[N][L], int index) {
    return index >= 0 && static_cast<size_t>(index) < N ? table[index] : "";
}

const char* RecordModeName(int mode) {
    switch (mode) {
        case kRecordNormal: return "Record";
        case kRecordEffect: return "Effect Record";
        case kRecordScreen: return "Screen Record";
        default: return "OFF";
    }
}

}  // namespace

bool ZoomAvailable() {
    return app.view_mode == kViewNormal ||
           (app.view_mode == kViewShader && app.pixel_program_index == kMagnifierPixelProgram);
}

Rgb PlateFill() { return {app.backplate_color_r, app.backplate_color_g, app.backplate_color_b}; }

Rgb PlateBorder() {
    return {app.backplate_border_color_r, app.backplate_border_color_g, app.backplate_border_color_b};
}

Rgb TextColor() { return {app.text_color[0], app.text_color[1], app.text_color[2]}; }

ButtonLook LookOfButton(int index) {
    // Labels by button index; the stats and zoom buttons format their own.
    static const char* const kLabels[kButtonCount] = {
        "Splitscreen", "Image Swap", "Motion Shot", "Motion Alarm", nullptr,         "Motion Record",
        "Record",      nullptr,      "Normal",      "Shader",       "Effect Record", "Screen Record",
        "Record OFF"};
    ButtonLook look;
    if (index < 0 || index >= kButtonCount) {
        look.drawn = false;
        return look;
    }
    look.fill = PlateFill();
    if (kLabels[index]) std::snprintf(look.label, sizeof look.label, "%s", kLabels[index]);
    switch (index) {
        case 2: look.fill = OnOff(app.motion_shot_on); break;
        case 3: look.fill = OnOff(app.motion_alarm_on); break;
        case 5: look.fill = OnOff(app.motion_record_on); break;
        case 6: look.fill = OnOff(app.record_mode == kRecordNormal); break;
        case 10: look.fill = OnOff(app.record_mode == kRecordEffect); break;
        case 11: look.fill = OnOff(app.record_mode == kRecordScreen); break;
        case 12: look.fill = kRed; break;
        case 4:
            std::snprintf(look.label, sizeof look.label, "Stats Mode %i", app.stats_mode);
            look.drawn = DrawableStatsMode();
            look.fill = app.stats_mode == 0 ? kYellow : kCyan;
            break;
        case 7:
            if (ZoomAvailable()) {
                std::snprintf(look.label, sizeof look.label, "Zoom (%ix)", app.zoom_factor);
                if (app.zoom_on) look.fill = kGreen;
            } else {
                std::snprintf(look.label, sizeof look.label, "Zoom disabled");
                look.fill = kGrey;
            }
            break;
        default: break;  // view-mode buttons: plate colour, DrawButton marks the current one
    }
    return look;
}

bool ButtonShown(int index) {
    return app.full_screen && LookOfButton(index).drawn && app.button_on_off[index] == 1;
}

bool StatisticsGraphShown() {
    return app.window_on_off[0] == 1 && app.full_screen && DrawableStatsMode();
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
    const int s = app.info_panel_step;
    int& phase = overlay.info_panel_phase;
    if (app.info_panel_open) {
        if (app.info_panel_height < 75 && phase == 0)
            app.info_panel_height += s;
        else
            phase = 1;
        if (app.info_panel_width < 100 && phase == 1) {
            app.info_panel_width += s;
        } else if (app.info_panel_width >= 100 && phase == 1) {
            app.info_panel_ready = true;
            phase = 0;
        }
    } else {
        app.info_panel_ready = false;
        if (app.info_panel_width > 0 && phase == 0)
            app.info_panel_width -= s;
        else
            phase = 1;
        if (app.info_panel_height > 0 && phase == 1)
            app.info_panel_height -= s;
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
    line(OnOff(recording), "Record Mode: %s", RecordModeName(app.record_mode));
    const bool shader = app.view_mode == kViewShader;
    line(OnOff(shader), "Cg Shader: %s", shader ? "ON" : "OFF");
    line(text, "Last Image PCD: %0.3f", static_cast<double>(app.pcd_previous));
    line(text, "Current Image PCD: %0.3f", static_cast<double>(app.pcd));
    line(OnOff(app.pcd_change < app.motion_max), "PCD between Images: %0.3f of %0.3f",
         static_cast<double>(app.pcd_change), static_cast<double>(app.motion_max));
    line(text, "Check Motion every: %i %s", app.motion_interval, SecondsWord(app.motion_interval));
}
