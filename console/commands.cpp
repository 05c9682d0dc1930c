// The 31 console commands.  The Return handler has just pushed the "command
// not found" line; each command overwrites line 0 (some also line 1) with
// its result, always as "<name>: ...".
#include <cstdarg>
#include <cstdio>

#include "app/app_state.h"
#include "app/lifecycle.h"
#include "app/window.h"
#include "console/console.h"
#include "input/input.h"
#include "record/record.h"
#include "render/frame_loop.h"
#include "render/render.h"
#include "render/shader.h"

namespace {

enum Command {
    kAbout, kPcd, kFps, kTime, kDate, kMotionAlarmFile, kModelFile, kVertexFile, kPixelFile,
    kBmpFile, kWindowWidth, kWindowHeight, kCls, kHelp, kExit, kMinimize, kSwTextureMode,
    kSwPolygonMode, kSwScreenMode, kScreenshot, kMotionShot, kMotionAlarm, kMotionRecord,
    kViewNormalCmd, kViewShaderCmd, kViewSplitCmd, kViewSwapCmd, kRecordOffCmd,
    kRecordNormalCmd, kRecordEffectCmd, kRecordScreenCmd,
};
static_assert(kRecordScreenCmd + 1 == kCommandCount);

constexpr int kRecordOffRequest = 4;  // SetRecordMode's "off" request

// Formats into console line `line`, cut to the 99 characters it holds.
// Formats are always literals of this file; typed text and file paths only
// ever arrive as arguments.
[[gnu::format(printf, 2, 3)]] void WriteLine(int line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(console.lines[line], sizeof console.lines[line], format, args);
    va_end(args);
}

// The same into the shared scratch text.
[[gnu::format(printf, 1, 2)]] void WriteTextBuffer(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(app.text_buffer, sizeof app.text_buffer, format, args);
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

void SwitchTextureMode(const char* name) {
    app.texture_filter = app.texture_filter == GL_NEAREST ? GL_LINEAR : GL_NEAREST;
    WriteLine(0, app.texture_filter == GL_LINEAR ? "%s: set texture mode to GL_LINEAR!"
                                                 : "%s: set texture mode to GL_NEAREST!",
              name);
    // Recreates every texture with the new filter.
    RenderingSetup();
}

void SwitchPolygonMode(const char* name) {
    app.polygon_mode = app.polygon_mode == GL_FILL ? GL_LINE : GL_FILL;
    ApplyPolygonMode(app.polygon_mode);
    WindowPostRedisplay();
    WriteLine(0, app.polygon_mode == GL_LINE ? "%s: set polygon mode to GL_LINE!"
                                             : "%s: set polygon mode to GL_FILL!",
              name);
}

// The same switches as the buttons (with their boxes and questions); the
// console adds its line.
void SetDualCameraView(const char* name, bool split) {
    const bool possible = app.second_camera_enabled;
    if (split)
        SwitchSplitScreen();
    else
        SwitchImageSwap();
    if (!possible)
        WriteLine(0, "%s: invalid command!", name);
    else
        WriteLine(0, app.view_mode == kViewSplit ? "%s: set view mode to splitscreen!"
                                                 : "%s: set view mode to image swap!",
                  name);
}

void SetRecordModeCommand(const char* name, int32_t mode) {
    static const char* const kModeNames[] = {"", "normal", "effect", "screen"};
    if (app.record_mode == mode) {
        WriteLine(0, "%s: record mode %s is currently enabled", name, kModeNames[mode]);
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
    WriteLine(1, "%s: set record mode to %s...", name, kModeNames[mode]);
    if (mode != kRecordNormal)
        WriteLine(0, "%s: ...on video memory!", name);
    else if (app.current_camera == 0)
        WriteLine(0, "%s: ...on primary video device!", name);
    else
        WriteLine(0, "%s: ...on secondary video device!", name);
}

}  // namespace

void SwitchScreenMode() {
    app.full_screen = !app.full_screen;
    if (app.full_screen) {
        WindowFullScreen();
    } else {
        WindowReshape(app.video_width, app.video_height);
        WindowPosition(app.gl_win_pos_x, app.gl_win_pos_y);
    }
}

void ExecuteCommand(int index) {
    if (index < 0 || index >= kCommandCount) return;
    // Names are matched exactly, so the table entry is the typed text.
    const char* name = kCommandNames[index];
    switch (index) {
    case kAbout: About(name); break;
    case kPcd:
        WriteLine(0, "%s: %0.3f of %0.3f", name, app.pcd_change, app.motion_max);
        break;
    case kFps:
        WriteTextBuffer("%s: %s", name, frame_loop.fps_text);
        WriteLine(0, "%s", app.text_buffer);
        break;
    case kTime:
        WriteLine(0, "%s: %.2i:%.2i:%.2i", name, app.clock_hour, app.clock_minute,
                  app.clock_second);
        break;
    case kDate:
        WriteLine(0, "%s: %.2i/%.2i/%i", name, app.clock_day, app.clock_month, app.clock_year);
        break;
    case kMotionAlarmFile: WriteLine(0, "%s: %s", name, app.alarm_file); break;
    case kModelFile: WriteLine(0, "%s: %s", name, app.model_file); break;
    case kVertexFile:
        WriteLine(0, "%s: %s", name,
                  Entry(kVertexProgramFiles, kVertexProgramCount, app.vertex_program_index));
        break;
    case kPixelFile:
        WriteLine(0, "%s: %s", name,
                  Entry(kPixelProgramFiles, kPixelProgramCount, app.pixel_program_index));
        break;
    case kBmpFile:
        WriteLine(0, "%s: %s", name, Entry(kMaskFiles, kMaskCount, app.mask_index));
        break;
    case kWindowWidth: WriteLine(0, "%s: %i", name, app.window_width); break;
    case kWindowHeight: WriteLine(0, "%s: %i", name, app.window_height); break;
    case kCls: ConsoleClear(); break;
    case kHelp:
        ShowHelpPage(1);
        BeginHelpPaging();
        break;
    case kExit: ExitSequence();
    case kMinimize:
        WindowIconify();
        WriteLine(0, "%s: window minimized!", name);
        break;
    case kSwTextureMode: SwitchTextureMode(name); break;
    case kSwPolygonMode: SwitchPolygonMode(name); break;
    case kSwScreenMode:
        SwitchScreenMode();
        WriteLine(0, app.full_screen ? "%s: set screen mode to fullscreen!"
                                     : "%s: set screen mode to window mode!",
                  name);
        break;
    case kScreenshot:
        app.screenshot_pending = true;
        WriteLine(0, "%s: screenshot taken!", name);
        break;
    case kMotionShot:
        app.motion_shot_on = !app.motion_shot_on;
        WriteLine(0, app.motion_shot_on ? "%s: motion shot enabled!" : "%s: motion shot disabled!",
                  name);
        break;
    case kMotionAlarm:
        app.motion_alarm_on = !app.motion_alarm_on;
        WriteLine(0, app.motion_alarm_on ? "%s: motion alarm enabled!"
                                         : "%s: motion alarm disabled!",
                  name);
        break;
    case kMotionRecord:
        SetMotionRecord();
        WriteLine(0, app.motion_record_on ? "%s: motion record enabled!"
                                          : "%s: motion record disabled!",
                  name);
        break;
    case kViewNormalCmd:
        app.view_mode = kViewNormal;
        ResetZoom();
        WriteLine(0, "%s: set view mode to normal!", name);
        break;
    case kViewShaderCmd:
        app.view_mode = kViewShader;
        LoadShaderPrograms();  // a failure leaves the shader view on regardless
        ResetZoom();
        WriteLine(0, "%s: set view mode to shader!", name);
        break;
    case kViewSplitCmd: SetDualCameraView(name, true); break;
    case kViewSwapCmd: SetDualCameraView(name, false); break;
    case kRecordOffCmd:
        if (app.record_mode != kRecordOff) SetRecordMode(kRecordOffRequest);
        WriteLine(0, "%s: record mode disabled!", name);
        break;
    case kRecordNormalCmd: SetRecordModeCommand(name, kRecordNormal); break;
    case kRecordEffectCmd: SetRecordModeCommand(name, kRecordEffect); break;
    case kRecordScreenCmd: SetRecordModeCommand(name, kRecordScreen); break;
    }
}
