// Data paths: the program keeps its paths in the form it shows the user
// (".\bmp\mask1.bmp", "mdl\velisse.mdl"); files are opened with '/'.
#pragma once

#include <string>

// `path` with every '\' turned into '/'.
std::string NativePath(const char* path);
