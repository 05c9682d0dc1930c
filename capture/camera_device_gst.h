// The capture edge's one reader of GStreamer devices: what a device says of
// itself, and the program's one monitor of the cameras ("Video/Source"
// devices of every provider).  The chooser's list, the identity of a lost
// camera and a description file's device="..." all go through here.
//
// One monitor serves every thread, made on first use and never stopped: the
// providers are shared, and stopping one of two monitors silences the
// other's news.  The news are counted, not queued, so any number of readers
// can notice a change without taking it from each other.
#pragma once

#include <gst/gst.h>

#include <cstdint>

#include "capture/camera_identity.h"

DeviceFacts ReadDeviceFacts(GstDevice* device);

// The monitor (borrowed; GStreamer must be set up).  When no provider can
// watch, it is not started and every listing asks the providers afresh.
GstDeviceMonitor* CameraDevices();
bool CameraDevicesWatched();
// Grows with every camera added, removed or changed while watched.
uint64_t CameraNewsCount();
