#include "capture/camera_choice.h"

#include <cstdio>

#include "platform/dialogs.h"

void SelectShownCamera(Camera camera) {
    if (camera == kPrimaryCamera) {
        app.current_camera = kPrimaryCamera;
    } else if (app.second_camera_enabled) {
        app.current_camera = kSecondaryCamera;
    } else {
        ShowNoSecondCamera();
    }
}

void SelectSplitPartner(Camera camera) {
    if (app.second_camera_enabled)
        app.split_partner_camera = camera;
    else
        ShowNoSecondCamera();
}

void ShowNoSecondCamera(const char* feature) {
    char text[160];
    if (feature)
        std::snprintf(text, sizeof text,
                      "Lumora hasn't found a secondary Video Device. You need a secondary Video "
                      "Device to enable %s !",
                      feature);
    else
        std::snprintf(text, sizeof text, "%s",
                      "Lumora hasn't found a secondary Video Device. You need a secondary Video "
                      "Device to change it !");
    ShowMessageBox(text, "Info", MsgIcon::Information);
}
