#include "capture/capture.h"

// Two entries of 200 characters: primary, then secondary device.
const char kDeviceFiles[2][kDeviceFileLength] = {"dsvl/device1.xml", "dsvl/device2.xml"};

char capture_notice[kCaptureNoticeLength] = "";
