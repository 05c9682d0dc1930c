// Folders of this machine and user: what the locations of the program are
// chosen from (the working folder, the executable's folder, the user's
// Pictures, Videos and configuration folders, $LUMORA_DATA_DIR).
#pragma once

#include "app/locations.h"

LocationFacts GatherLocationFacts();

// $XDG_CONFIG_HOME when absolute, else ~/.config (read afresh each call).
std::string UserConfigFolder();
