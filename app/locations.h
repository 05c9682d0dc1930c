// Locations: where Lumora reads its data and where its files go, settled
// once at start-up, before the cameras open.
//
// The data (effect programs, masks, model, alarm sound, camera description
// files) comes from the first of: $LUMORA_DATA_DIR when set; the working
// folder when it holds the data (development: shots and recordings go to
// capture/ below it, as they always did); <executable's folder>/data (a build
// tree); <executable's folder>/../share/lumora (installed, any prefix).
// The chosen folder becomes the working folder, so data paths stay relative
// and in the form the user sees (".\bmp\mask1.bmp").
//
// Away from a development folder, screenshots and motion shots go to
// $XDG_PICTURES_DIR/Lumora/, recordings to $XDG_VIDEOS_DIR/Lumora/, each made
// when first needed, and a camera description file the user keeps in
// $XDG_CONFIG_HOME/Korvane/dsvl/ is read instead of the data folder's (the
// installed one may be read-only).
//
// A folder without the effect programs cannot run Lumora: the plan names
// every missing file.  A missing mask, model or alarm sound only degrades
// the picture (the program says so on screen), so it is named on standard
// error and the program goes on.
#pragma once

#include <string>
#include <vector>

#include "capture/capture.h"

// What start-up finds out about the machine (platform/folders.h gathers it).
struct LocationFacts {
    std::string working_folder;     // absolute
    std::string executable_folder;  // absolute; "" when unknown
    std::string data_override;      // $LUMORA_DATA_DIR, "" when unset
    std::string pictures_folder;    // the user's Pictures and Videos folders
    std::string videos_folder;
    std::string config_folder;      // $XDG_CONFIG_HOME or ~/.config
    bool (*exists)(const std::string& path) = nullptr;
};

// Owned by locations.cpp; ApplyLocations sets it once.  Its defaults are a
// development folder, which is what tests that never settle it expect.
struct LocationState {
    std::string data_folder;  // "" before ApplyLocations
    bool development = true;
    std::string shots_folder = "capture\\screenshot\\";  // ends with its separator
    std::string recordings_folder = "capture/record/";
    char device_files[2][kDeviceFileLength] = {"dsvl/device1.xml", "dsvl/device2.xml"};
    std::string config_folder;  // the user's copies of device files go below it
};
extern LocationState locations;

struct LocationPlan {
    bool runnable = false;
    std::string problem;               // why not: shown in an "Error" box
    std::vector<std::string> lacking;  // optional files the data folder lacks
    LocationState state;
};

LocationPlan PlanLocations(const LocationFacts& facts);

// Makes the plan's data folder the working folder and its state the
// program's.  False (with the reason) when the folder cannot be entered.
bool ApplyLocations(const LocationPlan& plan, std::string* reason);

// Makes the folder that shots (or recordings) go to, when it is one of the
// user's folders and does not exist yet.  A development folder's capture/
// folders are never made: a missing one is reported when the file is written.
// False with the reason when it cannot be made.
// Where the camera chooser writes the device file of `camera`: the working
// folder's own in a development folder, else the user's copy in
// $XDG_CONFIG_HOME/Korvane/dsvl/ (the installed one may be read-only), its
// folder made here.  False with the reason when the folder cannot be made or
// its name is too long for device_files.
bool PrepareDeviceFileToWrite(Camera camera, std::string* path, std::string* reason);

enum class OutputKind { kShots, kRecordings };
bool PrepareOutputFolder(OutputKind kind, std::string* reason);
const std::string& OutputFolder(OutputKind kind);
