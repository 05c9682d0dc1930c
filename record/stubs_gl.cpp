// Placeholder until recording lands.
#include "record/record.h"

void RecordVideo(bool, bool, int, int, const uint8_t*, const char*) {}
void SetRecordMode(int) {}
void SetMotionRecord() {}
void StopRecordings() {}
void RecordEffectFrame() {}
void DrawRecordingLabels() {}
void RecordFinishedFrame() {}
void WritePendingShots() {}
void WriteBitmapFile(int, int, const uint8_t*, const char*) {}
