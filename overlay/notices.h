// On-screen notices: red lines of bitmap text over the picture that tell the
// user why it does not look as expected.  Each is shown while its condition
// holds, so nothing has to be posted or withdrawn:
//   - an effect program that failed to compile (shader view);
//   - no camera was found and the primary device shows its stand-in;
//   - a camera in use is lost (unplugged), its last frame standing still;
//   - the mask an effect samples could not be read;
//   - the model the model effect draws could not be loaded;
//   - the motion alarm is on but its sound could not be loaded.
// The frame loop draws them in its text pass: the shader failure notice
// where it has always stood, at the left one third down; the others at the
// bottom left, above the info lamp, clear of the console panel.
//
// Passing notices confirm what the user just did (a screenshot saved, a
// recording started or saved): one white line near the top left for about
// two seconds, a newer one taking the place of the older.
#pragma once

#include <cstdint>

constexpr int kMaxNotices = 7;
constexpr int kNoticeLength = 200;

struct NoticeList {
    int count = 0;
    char lines[kMaxNotices][kNoticeLength] = {};
    float x[kMaxNotices] = {}, y[kMaxNotices] = {};  // window pixels, origin top-left
};

// The notices of this moment, most important first (top to bottom), placed
// for a window `window_height` pixels high.  `shader_programs_missing` comes
// from the effect runtime (a GL query).
NoticeList CollectNotices(bool shader_programs_missing, int window_height);

constexpr uint32_t kPassingNoticeMs = 2000;

// Shows `text` from `now_ms` (GetTickCount's clock) for kPassingNoticeMs.
void PostPassingNotice(const char* text, uint32_t now_ms);
// The passing notice to draw at `now_ms`, or nullptr; placed at *x, *y
// (window pixels, origin top-left).
const char* CurrentPassingNotice(uint32_t now_ms, float* x, float* y);
