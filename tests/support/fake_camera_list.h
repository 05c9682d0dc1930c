// Scripted cameras for the camera chooser's tests (fake_camera_list.cpp
// stands in for capture/camera_list_gst.cpp and the decoders GStreamer
// has), and whether a popup menu is open (input/menus_gl.cpp).
#pragma once

#include <vector>

#include "capture/camera_list.h"

struct FakeCameraList {
    std::vector<ListedCamera> cameras;  // what ListCameras() gives
    bool changed = false;               // CameraListChanged() once, then false
    bool menus_open = false;            // MenusInUse()
};
FakeCameraList& FakeCameras();
