// Placeholder until the capture layer lands.
#include "capture/capture.h"

const char kDeviceFiles[2][kDeviceFileLength] = {"dsvl/device1.xml", "dsvl/device2.xml"};
bool OpenCaptureDevices(const char[2][kDeviceFileLength]) { return false; }
void FetchFrames() {}
void CloseCaptureDevices() {}
