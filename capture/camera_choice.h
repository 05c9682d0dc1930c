// Which camera the user looks at: the primary device menu picks the camera
// shown, the secondary device menu the partner of split screen.  Both need
// the second camera; without it an "Info" box says so and nothing changes.
#pragma once

#include "app/app.h"

void SelectShownCamera(Camera camera);
void SelectSplitPartner(Camera camera);

// The "Info" box of a feature that needs the second camera; without a
// feature name, the one of the device menus.
void ShowNoSecondCamera(const char* feature = nullptr);
