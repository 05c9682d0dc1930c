// The capture edge's one reader of GStreamer devices: what a device says of
// itself, and a device monitor of the cameras ("Video/Source" devices of
// every provider).  The chooser's list, the identity of a lost camera and a
// description file's device="..." all read devices through here.
#pragma once

#include <gst/gst.h>

#include "capture/camera_identity.h"

DeviceFacts ReadDeviceFacts(GstDevice* device);
// A new monitor of the cameras, not started (a reference the caller drops).
GstDeviceMonitor* NewCameraMonitor();
