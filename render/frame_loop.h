// The frame routine (display and idle callback).
//
// One run fetches the newest frames, draws the picture of the view mode, the
// zoom navigator and the overlay, feeds the recorder, counts frames, swaps
// and sleeps.  The arithmetic of the run (zoom, frame count, texture extents,
// the wave and swap-fade counters) lives in GL-free units so tests can drive
// it without a display.
#pragma once

#include <cstdint>
#include <ctime>

// Owned by the frame routine; lives as long as the program (benchmarks and
// tests reset it whole).
struct FrameLoopState {
    float texture_extent_s = 0, texture_extent_t = 0;
    int32_t history_slot = 1;
    float shader_texel_x = 0, shader_texel_y = 0;
    float shader_window_ratio_x = 0, shader_window_ratio_y = 0;
    float vertex_time = 0;
    float vertex_angle = 0;
    float swap_transition_value = 1.0f;
    float swap_transition_step = 0.1f;
    bool swap_transition_running = false;
    bool fps_first_frame = true;
    time_t fps_start_seconds = 0;
    int fps_start_milliseconds = 0;
    int32_t fps_frame_count = 0;
    float fps_last_time = 0;
    int32_t fps_value = 0;
    char fps_text[64] = "";
    // The longest pause after a run; benchmarks set 0 to time the work alone.
    uint32_t sleep_milliseconds = 20;
};
extern FrameLoopState frame_loop;

// One run: fetch, draw, overlay, record, count, swap, sleep (benchmarks and
// tests: always draws, pauses the fixed sleep_milliseconds).
void FrameRoutine();
// The program's run: draws and swaps only when something may have changed
// (render/frame_pacing.h); true when it drew.
bool DrawFrameIfDue();
// The pause after a run of `run_ms`: at most sleep_milliseconds, within the
// camera's frame period, ending as soon as the shown camera's next frame is
// ready.
void PauseFrameLoop(uint32_t run_ms);
// Everything of one run before the buffer swap (the picture stays in the
// back buffer).
void RenderFrame();

// Frame count step for a given time sample: fps_value and fps_text once a
// second.
void CountFrame(time_t seconds, int milliseconds);

// The newest frame of the shown camera, or nullptr before the first one.
const uint8_t* CurrentCameraFrame();
// texture_extent_s/t: where the picture ends inside its 2048 x 2048 texture.
void UpdateTextureExtents();
// shader_texel_x/y and shader_window_ratio_x/y (the picture rectangle over
// the frame) for the effect parameters.
void UpdateShaderRatios();
// Whether the normal view shows the camera's pixels one to one: unzoomed,
// in a rectangle of the camera's own size.  Nearest filtering then puts the
// same pixels on the screen as linear, at a fraction of the software
// renderer's cost (about 2 points of a core at 640 x 480).
bool PictureShownPixelForPixel();
// The history step runs in shader view with pixel programs 9, 10 and 11.
bool UsesFrameHistory();
// The model pass runs in shader view with the models effect.
bool UsesModelPass();
// Texture table slot (4, 5 or 6) for the next history frame, and its advance.
int HistoryTextureSlot();
void AdvanceHistorySlot();
// Wave counters after each vertex pair of the effect grid.
void StepWaveVertex();
// Swap fade after each grid row: may switch the camera and end the fade.
void StepSwapFadeRow();

// The effect grid as drawn: kGridRows triangle strips of kGridStripVertices
// vertices each, rows [r] and [r + 1] alternating column by column.
constexpr int kGridRows = 128;
constexpr int kGridStripVertices = 2 * 129;
constexpr int kGridVertexCount = kGridRows * kGridStripVertices;
// The wave parameter of every grid vertex in drawing order (3 floats each,
// both vertices of a pair alike), stepping the wave and swap-fade counters
// exactly as drawing the grid pair by pair does.  `wave` holds
// kGridVertexCount * 3 floats; nullptr steps the counters alone.
void ComputeGridWave(float* wave);
// Shader view: the grid with the wave parameter per vertex pair (GL).
void DrawEffectGrid();
// The grid is needed only where the vertex program places the picture vertex
// by vertex (every program but none, whose picture is affine in the vertex)
// or the polygons are drawn as lines; elsewhere one quad over the grid's
// corners draws the same picture with 2 triangles instead of 32,768.
bool EffectNeedsGrid();
// The grid's corners as one quad; the counters step as the grid's would.
void DrawEffectQuad();
// Shader view's picture: the grid or the quad, as EffectNeedsGrid says.
void DrawEffectSurface();
