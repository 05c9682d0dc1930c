// Application state: what the settings store saves and what several
// subsystems share (the cameras and their frames, the modes, motion and
// zoom values, the clock, the window).  State that one subsystem alone
// uses lives in that subsystem's own struct.
//
// Owned by main: created with its initial values before main() runs, filled
// from the settings at start-up and saved by the exit sequence; never reset.
// Only the GLUT thread touches it (the capture threads never do).
#pragma once

#include <GL/gl.h>
#include <cstdint>


constexpr int kPathLength = 200;

enum ViewMode : int32_t { kViewNormal, kViewShader, kViewSplit, kViewSwap };
enum RecordMode : int32_t { kRecordOff, kRecordNormal, kRecordEffect, kRecordScreen };
// The motion detectors (the saved motion_detector; any other number is Classic).
enum MotionDetector : int32_t { kDetectorClassic, kDetectorRobust };

// The overlay panels, indexing window_pos_x/y, window_size_x/y and
// window_on_off.  The info panel's position is not saved and it has no size
// or switch of its own.
enum Panel : int {
    kPanelStatistics, kPanelMotionMeter, kPanelTimeDate, kPanelConsole, kPanelInfo,
};
constexpr int kPanelCount = kPanelInfo + 1;
constexpr int kSavedPanelCount = kPanelInfo;

// The buttons, indexing button_pos_x/y and button_on_off (the saved order).
enum Button : int {
    kButtonSplitScreen, kButtonImageSwap, kButtonMotionShot, kButtonMotionAlarm,
    kButtonStatsMode, kButtonMotionRecord, kButtonRecord, kButtonZoom, kButtonNormal,
    kButtonShader, kButtonEffectRecord, kButtonScreenRecord, kButtonRecordOff,
    kButtonCount,
};

// The two capture devices.
enum Camera : int32_t { kPrimaryCamera, kSecondaryCamera, kCameraCount };

struct Application {  // saved fields: app/settings.cpp
    // Capture and video
    bool second_camera_enabled = false;
    int32_t video_width = 0, video_height = 0;
    double video_frame_rate = 0;
    uint8_t* frame_buffer[2] = {nullptr, nullptr};
    int32_t current_camera = 0;
    int32_t split_partner_camera = 1;

    // Modes
    ViewMode view_mode = kViewNormal;
    RecordMode record_mode = kRecordOff;
    int32_t vertex_program_index = 0;
    int32_t pixel_program_index = 0;
    int32_t mask_index = 0;
    bool full_screen = false;
    GLenum polygon_mode = GL_FILL;
    GLenum texture_filter = GL_LINEAR;
    char model_file[kPathLength] = "mdl\\velisse.mdl";
    char alarm_file[kPathLength] = "wav\\3.wav";
    int alarm_sound = 0;

    // Motion detection
    float motion_max = 0.18f;
    int32_t motion_interval = 1;
    int32_t motion_record_duration = 10;
    int32_t precapture_seconds = 5;  // a motion recording begins this long before the event
    bool motion_shot_on = false, motion_alarm_on = false, motion_record_on = false;
    bool motion_recording = false;
    bool motion_shot_pending = false;
    float pcd = 0, pcd_previous = 0, pcd_change = 0;
    int32_t motion_detector = kDetectorClassic;
    char motion_mask_file[kPathLength] = "";  // none
    bool motion_tint_on = false;

    // Clock and the once-a-second timer
    int32_t clock_second = 0, clock_minute = 0, clock_hour = 0;
    int32_t clock_day = 0, clock_month = 0, clock_year = 0;
    int32_t motion_record_elapsed = 0;
    int32_t swap_counter = 0;

    // Zoom
    bool zoom_on = false;
    float zoom_scale = 1.0f;
    int32_t zoom_factor = 0;
    float zoom_pan_limit = 0;
    float zoom_pan_x = 0, zoom_pan_y = 0;
    float zoom_shift_x = 0, zoom_shift_y = 0;

    // Overlay layout and colours
    float window_pos_x[kPanelCount] = {60, 40, 80, -48, -120};
    float window_pos_y[kPanelCount] = {70, 70, -120, -48, -120};
    float window_size_x[kSavedPanelCount] = {60, 10, 40, 96};
    float window_size_y[kSavedPanelCount] = {50, 50, 25, 96};
    int32_t window_on_off[kSavedPanelCount] = {1, 1, 1, 1};
    float button_pos_x[kButtonCount] = {110, 110, 110, 110, 110, 110, 110,
                                        110, 110, 110, 110, 110, 110};
    float button_pos_y[kButtonCount] = {-66, -73, 11, 4, 32, -3, -17,
                                        25, -52, -59, -24, -31, -38};
    int32_t button_on_off[kButtonCount] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    int32_t stats_mode = 0;
    float backplate_color_r = 0.8f, backplate_color_g = 0.8f, backplate_color_b = 1.0f;
    float backplate_alpha = 0.5f;
    float backplate_border_color_r = 0, backplate_border_color_g = 0, backplate_border_color_b = 1.0f;
    float backplate_border_width = 10.0f;
    float button_scale = 2.0f;

    // Model scene
    bool model_position_mode = false;
    int32_t last_special_key = 0;      // read and cleared by the next model draw

    // Window and text
    int32_t window_width = 0, window_height = 0;
    int32_t gl_win_pos_x = 120, gl_win_pos_y = 25;

    // Storage guard (record/storage_guard.h), in MiB: 0 is no limit, and
    // the default floor.
    int32_t storage_limit_mib = 0;
    int32_t storage_free_mib = 0;
};

extern Application app;
