// The camera chooser in the popup menu: after the fixed rows of Options, one
// submenu per camera found (capture/camera_chooser.h) holding "Primary
// camera" and "Secondary camera", each of them the camera's modes; with no
// camera found, one row "No camera found" that does nothing.
//
// The rows follow the camera list, which changes between frames only: when
// the device monitor tells of a change, the list is read again and the
// menus are built anew at the first frame without an open popup menu (GLUT
// cannot change a menu that is open).  A mode chosen in the menu is opened
// at the next frame, where a window and its GL context are current.
#pragma once

#include <span>

#include "input/menus.h"

// The rows Options ends with.
std::span<const MenuRow> CameraChooserRows();
// At start-up, after the cameras opened and before BuildMenus: starts the
// watch over the cameras and makes the rows.
void StartCameraMenus();
// Between frames: the camera list's changes, then a waiting pick.
void ServeCameraMenus();
