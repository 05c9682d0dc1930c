#include "overlay/buttons.h"

#include <cstdio>

#include "motion/motion.h"
#include "record/record.h"
#include "render/view.h"

namespace {

bool MotionShotOn() { return app.motion_shot_on; }
bool MotionAlarmOn() { return app.motion_alarm_on; }
bool MotionRecordOn() { return app.motion_record_on; }
bool RecordingNormal() { return app.record_mode == kRecordNormal; }
bool RecordingEffect() { return app.record_mode == kRecordEffect; }
bool RecordingScreen() { return app.record_mode == kRecordScreen; }

void StatsModeLook(ButtonLook& look) {
    std::snprintf(look.label, sizeof look.label, "Stats Mode %i", app.stats_mode);
    look.drawn = app.stats_mode == 0 || app.stats_mode == 1;
    look.fill = app.stats_mode == 0 ? kYellow : kCyan;
}

void ZoomLook(ButtonLook& look) {
    if (!ZoomAvailable()) {
        std::snprintf(look.label, sizeof look.label, "Zoom disabled");
        look.fill = kGrey;
        return;
    }
    std::snprintf(look.label, sizeof look.label, "Zoom (%ix)", app.zoom_factor);
    if (app.zoom_on) look.fill = kGreen;
}

void RecordOffLook(ButtonLook& look) { look.fill = kRed; }

}  // namespace

const ButtonRow kButtons[kButtonCount] = {
    {"Splitscreen", "Splitscreen Button", SwitchSplitScreen, nullptr, nullptr, kViewSplit},
    {"Image Swap", "Image Swap Button", SwitchImageSwap, nullptr, nullptr, kViewSwap},
    {"Motion Shot", "Motion Shot Button", SwitchMotionShot, MotionShotOn, nullptr, kNoViewMode},
    {"Motion Alarm", "Motion Alarm Button", SwitchMotionAlarm, MotionAlarmOn, nullptr, kNoViewMode},
    {nullptr, "Stats Mode Button", SwitchStatisticMode, nullptr, StatsModeLook, kNoViewMode},
    {"Motion Record", "Motion Record Button", SetMotionRecord, MotionRecordOn, nullptr, kNoViewMode},
    {"Record", "Record Button", [] { SetRecordMode(kRecordNormal); }, RecordingNormal, nullptr,
     kNoViewMode},
    {nullptr, "Zoom Button", StepZoomIfAvailable, nullptr, ZoomLook, kNoViewMode},
    {"Normal", "Normal Button", SetNormalView, nullptr, nullptr, kViewNormal},
    {"Shader", "Shader Button", SetShaderView, nullptr, nullptr, kViewShader},
    {"Effect Record", "Effect Record Button", [] { SetRecordMode(kRecordEffect); },
     RecordingEffect, nullptr, kNoViewMode},
    {"Screen Record", "Screen Record Button", [] { SetRecordMode(kRecordScreen); },
     RecordingScreen, nullptr, kNoViewMode},
    {"Record OFF", "Record OFF Button", [] { SetRecordMode(kRecordOff); }, nullptr, RecordOffLook,
     kNoViewMode},
};

const Button kButtonDrawOrder[kButtonCount] = {
    kButtonSplitScreen, kButtonImageSwap, kButtonNormal,       kButtonShader,
    kButtonMotionShot,  kButtonMotionAlarm, kButtonStatsMode,  kButtonMotionRecord,
    kButtonRecord,      kButtonEffectRecord, kButtonScreenRecord, kButtonRecordOff,
    kButtonZoom,
};

ButtonLook LookOfButton(int button) {
    ButtonLook look;
    if (button < 0 || button >= kButtonCount) {
        look.drawn = false;
        return look;
    }
    const ButtonRow& row = kButtons[button];
    look.fill = PlateFill();
    if (row.label) std::snprintf(look.label, sizeof look.label, "%s", row.label);
    if (row.on) look.fill = row.on() ? kGreen : kRed;
    if (row.look) row.look(look);
    return look;
}

bool ButtonShown(int button) {
    return app.full_screen && LookOfButton(button).drawn && app.button_on_off[button] == 1;
}

void RunButtonAction(int button) {
    if (button >= 0 && button < kButtonCount) kButtons[button].press();
}
