// Placeholder until the capture layer lands.
#include "capture/capture.h"

bool OpenCaptureDevices(const char[2][kDeviceFileLength]) { return false; }
void FetchFrames() {}
void CloseCaptureDevices() {}
