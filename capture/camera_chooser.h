// The camera chooser: the cameras found, each with the modes a user may pick
// for the primary or the secondary camera (the popup menu shows them,
// input/camera_menu.h).  A pick writes that camera's description file with
// the picked camera first (capture/description_rewrite.h; where:
// app/locations.h PrepareDeviceFileToWrite) and opens the camera again in
// that mode without a restart; the window follows the new size.  A camera
// that does not open in the mode gives an "Error" box with the reason, and
// the file and the camera before it come back.
//
// Modes listed: the camera's modes of one size whose format a decoder here
// takes, a rate range at its highest rate; the same mode listed twice (raw
// in several pixel formats) once.  Smallest size first, then the higher
// rate.  Labels read "1280×720 30 fps" (UTF-8 "×"; "1280×720" when the
// camera does not tell its rate), with the format in brackets only where two
// modes have the same size and rate: "640×480 30 fps (Motion JPEG)".  The
// source written pins the format (format="mjpeg") only when the camera
// would otherwise open another one in that size and rate
// (capture/camera_modes.h ChooseCameraMode).  A camera without such modes
// is offered "Its own mode" (a source without a size).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/app.h"
#include "capture/camera_list.h"
#include "capture/device_description.h"

struct ChooserMode {
    std::string label;
    CameraFormat format = CameraFormat::kRaw;
    int width = 0, height = 0;
    FrameRate rate;           // 0/1: the camera does not tell
    bool pin_format = false;  // the source names the format
};

// The modes to offer of a camera that lists `modes`.
std::vector<ChooserMode> ChooserModes(const std::vector<CameraMode>& modes,
                                      const DecoderSet& decoders);

// The <source> a pick writes: the camera by name, the mode's size and rate,
// its format when pinned.
CaptureSourceSpec ChosenSource(const std::string& camera_name, const ChooserMode& mode);

struct ChooserCamera {
    std::string label;  // the display name; "(2)", "(3)" ... after a name seen before
    std::string name;   // for device="..."
    std::vector<ChooserMode> modes;
};

// The cameras as the menu lists them.
std::vector<ChooserCamera> ChooserCameras(const std::vector<ListedCamera>& cameras,
                                          const DecoderSet& decoders);

// A pick waits for the frame routine: the menu's callback only notes it.
struct CameraPick {
    Camera slot = kPrimaryCamera;
    std::string camera_label, mode_label;  // for the error box
    CaptureSourceSpec source;
};

// Owned by camera_chooser.cpp: the list is replaced by ReadChooserCameras
// (while no menu shows it), the pick set by PickCameraMode and done and
// cleared by DoCameraPick.
struct CameraChooserState {
    std::vector<ChooserCamera> cameras;
    std::optional<CameraPick> pick;
};
extern CameraChooserState chooser;

// The cameras now (capture/camera_list.h) into chooser.cameras.
void ReadChooserCameras();
// The menu's choice of mode `mode` of chooser camera `camera` for `slot`.
void PickCameraMode(Camera slot, int camera, int mode);
// Between frames: writes the file and opens the camera of a waiting pick.
void DoCameraPick();
