// Stand-ins for the device monitor, the decoders and the menu status.
#include "support/fake_camera_list.h"

#include "input/menus.h"

FakeCameraList& FakeCameras() {
    static FakeCameraList list;
    return list;
}

std::vector<ListedCamera> ListCameras() { return FakeCameras().cameras; }
void StartCameraWatch() {}
bool CameraListChanged() {
    const bool changed = FakeCameras().changed;
    FakeCameras().changed = false;
    return changed;
}

DecoderSet InstalledDecoders() { return DecoderSet{true, true}; }

bool MenusInUse() { return FakeCameras().menus_open; }
