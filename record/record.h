// Record modes, motion record, screenshots and the BMP writer.
//
// One AviGenerator serves every recording, so one AVI file is open at a time.
// Names come from the clock: "capture/record/DD_MM_YYYY_hh_mm_ss_....avi" and
// "capture/screenshot/DD_MM_YYYY_hh_mm_ss.bmp"; an existing name gets "_2",
// "_3", ... so nothing is overwritten.
#pragma once

#include <cstdint>

class AviGenerator;
extern AviGenerator avi_generator;

void RecordVideo(bool start, bool stop, int width, int height, const uint8_t* pixels,
                 const char* file_name);
// mode: 1 normal, 2 effect, 3 screen, 4 off.
void SetRecordMode(int mode);
void SetMotionRecord();
void StopRecordings();

// Frame-loop steps, in this order within one frame.
void RecordEffectFrame();
void DrawRecordingLabels();
void RecordFinishedFrame();
void WritePendingShots();

void WriteBitmapFile(int width, int height, const uint8_t* pixels, const char* path);
