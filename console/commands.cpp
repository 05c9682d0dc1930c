// The console commands, one row each: the name typed, its help line(s) and
// what it does.  The Return handler has just pushed the "command not found"
// line; each command overwrites line 0 (some also line 1) with its result,
// always as "<name>: ...".
#include <cstdarg>
#include <cstdio>
#include <iterator>

#include "app/app.h"
#include "app/lifecycle.h"
#include "app/window.h"
#include "console/console.h"
#include "motion/motion.h"
#include "record/record.h"
#include "render/frame_loop.h"
#include "render/render.h"
#include "render/shader.h"
#include "render/view.h"
#include "web/web.h"

namespace {

// Formats into console line `line`, cut to the 99 characters it holds.
// Formats are always literals of this file; typed text and file paths only
// ever arrive as arguments.
[[gnu::format(printf, 2, 3)]] void WriteLine(int line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(console.lines[line], sizeof console.lines[line], format, args);
    va_end(args);
}

// A table entry, or "" when the index held in the state is out of range.
template <size_t N>
const char* Entry(const char (*table)[N], int count, int index) {
    return index >= 0 && index < count ? table[index] : "";
}

void About(const char* name) {
    ConsoleClear();
    WriteLine(6, "%s: --------------------------------", name);
    WriteLine(5, "%s: Lumora - live camera effects, motion detection, recording", name);
    WriteLine(4, "%s: version 1.0", name);
    WriteLine(3, "%s: made by Korvane", name);
    WriteLine(2, "%s: e-mail: lumora@korvane.example", name);
    WriteLine(1, "%s: web: https://korvane.example/lumora", name);
    WriteLine(0, "%s: --------------------------------", name);
}

void Fps(const char* name) {
    std::snprintf(console.text_buffer, sizeof console.text_buffer, "%s: %s", name, frame_loop.fps_text);
    WriteLine(0, "%s", console.text_buffer);
}

void ShowHelp() {
    ShowHelpPage(1);
    BeginHelpPaging();
}

void TextureModeReply(const char* name) {
    WriteLine(0, app.texture_filter == GL_LINEAR ? "%s: set texture mode to GL_LINEAR!"
                                                 : "%s: set texture mode to GL_NEAREST!",
              name);
}

void PolygonModeReply(const char* name) {
    WriteLine(0, app.polygon_mode == GL_LINE ? "%s: set polygon mode to GL_LINE!"
                                             : "%s: set polygon mode to GL_FILL!",
              name);
}

void ScreenModeReply(const char* name) {
    WriteLine(0, app.full_screen ? "%s: set screen mode to fullscreen!"
                                 : "%s: set screen mode to window mode!",
              name);
}

// "enabled!" or "disabled!" after the switch.
void OnOffLine(const char* name, const char* what, bool on) {
    WriteLine(0, on ? "%s: %s enabled!" : "%s: %s disabled!", name, what);
}

// The same switches as the buttons (with their boxes and questions); the
// console adds its line.
void DualCameraView(const char* name, void (*change)()) {
    const bool possible = app.second_camera_enabled;
    change();
    if (!possible)
        WriteLine(0, "%s: invalid command!", name);
    else
        WriteLine(0, app.view_mode == kViewSplit ? "%s: set view mode to splitscreen!"
                                                 : "%s: set view mode to image swap!",
                  name);
}

void RecordModeCommand(const char* name, RecordMode mode) {
    const char* mode_name = RecordModeText(mode).command;
    if (app.record_mode == mode) {
        WriteLine(0, "%s: record mode %s is currently enabled", name, mode_name);
        return;
    }
    SetRecordMode(mode);
    // The recorder refuses while motion record runs and fails when the file
    // cannot be made (it says why in a box): then recording is off.
    if (app.record_mode != mode) {
        WriteLine(0, "%s: record mode disabled!", name);
        return;
    }
    // Line 1 is overwritten, not scrolled: the output is two lines long.
    WriteLine(1, "%s: set record mode to %s...", name, mode_name);
    if (mode != kRecordNormal)
        WriteLine(0, "%s: ...on video memory!", name);
    else if (app.current_camera == kPrimaryCamera)
        WriteLine(0, "%s: ...on primary video device!", name);
    else
        WriteLine(0, "%s: ...on secondary video device!", name);
}

// The mask's path, "none", or the path with why it is not used.
void MotionMaskReply(const char* name) {
    if (!app.motion_mask_file[0])
        WriteLine(0, "%s: none", name);
    else if (motion.mask_failed)
        WriteLine(0, "%s: %s (not readable: no mask)", name, app.motion_mask_file);
    else
        WriteLine(0, "%s: %s", name, app.motion_mask_file);
}

}  // namespace

// The help pages list the commands in this order.
const CommandRow kCommands[] = {
    {"about", "about -> print the about information", nullptr, nullptr, nullptr, About},
    {"pcd", "pcd -> print the percent difference", nullptr, nullptr, nullptr,
     [](const char* n) { WriteLine(0, "%s: %0.3f of %0.3f", n, app.pcd_change, app.motion_max); }},
    {"fps", "fps -> print the frames per second", nullptr, nullptr, nullptr, Fps},
    {"time", "time -> print the current time", nullptr, nullptr, nullptr,
     [](const char* n) {
         WriteLine(0, "%s: %.2i:%.2i:%.2i", n, app.clock_hour, app.clock_minute, app.clock_second);
     }},
    {"date", "date -> print the current date", nullptr, nullptr, nullptr,
     [](const char* n) {
         WriteLine(0, "%s: %.2i/%.2i/%i", n, app.clock_day, app.clock_month, app.clock_year);
     }},
    {"motionalarmfile", "motionalarmfile -> print the motion alarm file path", nullptr, nullptr,
     nullptr, [](const char* n) { WriteLine(0, "%s: %s", n, app.alarm_file); }},
    {"modelfile", "modelfile -> print the model file path", nullptr, nullptr, nullptr,
     [](const char* n) { WriteLine(0, "%s: %s", n, app.model_file); }},
    {"vertexfile", "vertexfile -> print the vertex shader file path", nullptr, nullptr, nullptr,
     [](const char* n) {
         WriteLine(0, "%s: %s", n,
                   Entry(kVertexProgramFiles, kVertexProgramCount, app.vertex_program_index));
     }},
    {"pixelfile", "pixelfile -> print the pixel shader file path", nullptr, nullptr, nullptr,
     [](const char* n) {
         WriteLine(0, "%s: %s", n,
                   Entry(kPixelProgramFiles, kPixelProgramCount, app.pixel_program_index));
     }},
    {"bmpfile", "bmpfile -> print the bmp file path", nullptr, nullptr, nullptr,
     [](const char* n) { WriteLine(0, "%s: %s", n, Entry(kMaskFiles, kMaskCount, app.mask_index)); }},
    {"windowwidth", "windowwidth -> print the window width", nullptr, nullptr, nullptr,
     [](const char* n) { WriteLine(0, "%s: %i", n, app.window_width); }},
    {"windowheight", "windowheight -> print the window height", nullptr, nullptr, nullptr,
     [](const char* n) { WriteLine(0, "%s: %i", n, app.window_height); }},
    {"cls", "cls ->  clear the complete contents", nullptr, ConsoleClear, nullptr, nullptr},
    {"help", "help ->  print the commands", nullptr, ShowHelp, nullptr, nullptr},
    {"exit", "exit ->  exit the program", nullptr, [] { ExitSequence(); }, nullptr, nullptr},
    {"minimize", "minimize ->  minimize the window", nullptr, MinimizeWindow, "window minimized!",
     nullptr},
    {"swtexturemode", "swtexturemode -> switch texture mode...",
     "...between GL_LINEAR and GL_NEAREST", SwitchTextureFilter, nullptr, TextureModeReply},
    {"swpolygonmode", "swpolygonmode -> switch polygon mode...", "...between GL_FILL and GL_LINE",
     SwitchPolygonMode, nullptr, PolygonModeReply},
    {"swscreenmode", "swscreenmode -> switch screen mode...",
     "...between fullscreen and window mode", SwitchScreenMode, nullptr, ScreenModeReply},
    {"screenshot", "screenshot -> take a screenshot", nullptr, TakeScreenshot,
     "screenshot taken!", nullptr},
    {"motionshot", "motionshot -> turn motion shot ON/OFF", nullptr, SwitchMotionShot, nullptr,
     [](const char* n) { OnOffLine(n, "motion shot", app.motion_shot_on); }},
    {"motionalarm", "motionalarm -> turn motion alarm ON/OFF", nullptr, SwitchMotionAlarm, nullptr,
     [](const char* n) { OnOffLine(n, "motion alarm", app.motion_alarm_on); }},
    {"motionrecord", "motionrecord -> turn motion record ON/OFF", nullptr, SetMotionRecord, nullptr,
     [](const char* n) { OnOffLine(n, "motion record", app.motion_record_on); }},
    {"viewmode_normal", "viewmode_normal -> set view mode to normal", nullptr, SetNormalView,
     "set view mode to normal!", nullptr},
    {"viewmode_shader", "viewmode_shader -> set view mode to shader", nullptr, SetShaderView,
     "set view mode to shader!", nullptr},
    {"viewmode_splitscreen", "viewmode_splitscreen -> set view mode to spitscreen", nullptr,
     nullptr, nullptr, [](const char* n) { DualCameraView(n, SwitchSplitScreen); }},
    {"viewmode_imgswap", "viewmode_imgswap -> set view mode to image swap", nullptr, nullptr,
     nullptr, [](const char* n) { DualCameraView(n, SwitchImageSwap); }},
    {"recordmode_off", "recordmode_off -> turn off record mode", nullptr,
     [] { SetRecordMode(kRecordOff); }, "record mode disabled!", nullptr},
    {"recordmode_normal", "recordmode_normal -> set record mode to normal", nullptr, nullptr,
     nullptr, [](const char* n) { RecordModeCommand(n, kRecordNormal); }},
    {"recordmode_effect", "recordmode_effect -> set record mode to effect", nullptr, nullptr,
     nullptr, [](const char* n) { RecordModeCommand(n, kRecordEffect); }},
    {"recordmode_screen", "recordmode_screen -> set record mode to screen", nullptr, nullptr,
     nullptr, [](const char* n) { RecordModeCommand(n, kRecordScreen); }},
    {"motiondetector", "motiondetector -> switch the motion detector...", "...between classic and robust",
     SwitchMotionDetector, nullptr,
     [](const char* n) { WriteLine(0, "%s: set motion detector to %s!", n, MotionDetectorName()); }},
    {"motiontint", "motiontint -> turn the motion tint ON/OFF", nullptr, SwitchMotionTint, nullptr,
     [](const char* n) { OnOffLine(n, "motion tint", app.motion_tint_on); }},
    {"motionmaskfile", "motionmaskfile -> print the motion mask file path", nullptr, nullptr, nullptr,
     MotionMaskReply},
    {"web", "web -> turn the web view ON/OFF", nullptr, [] { SwitchWebServer(false); }, nullptr,
     [](const char* n) { WriteLine(0, "%s: %s", n, WebStatusLine().c_str()); }},
};

const int kCommandCount = static_cast<int>(std::size(kCommands));

const char kHelpFooter[] =
    "right mouse button -> the menu; F12 -> screenshot; Space -> screen mode; Esc -> exit";

void ExecuteCommand(int index) {
    if (index < 0 || index >= kCommandCount) return;
    const CommandRow& row = kCommands[index];
    if (row.run) row.run();
    if (row.reply) WriteLine(0, "%s: %s", row.name, row.reply);
    if (row.report) row.report(row.name);
}
