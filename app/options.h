// The command line.  Lumora takes `--help`, `--version` and
// `--set-web-password` (reads the web view's password from standard input,
// stores its salted hash and exits), and the X
// options GLUT reads itself (-display NAME, -geometry WxH+X+Y, -iconic,
// -direct, -indirect, -gldebug, -sync).  Anything else, `--` included, is
// refused: the program takes no file names.
#pragma once

#include <string>

enum class OptionsAction { kRun, kHelp, kVersion, kSetWebPassword, kRefuse };

struct Options {
    OptionsAction action = OptionsAction::kRun;
    std::string error;  // with kRefuse: one line naming the argument
};

Options ParseOptions(int argc, const char* const* argv);

// What `--help` prints: usage, where data, files and settings are, and the
// environment variables read.
std::string UsageText();
constexpr const char* kVersionLine = "Lumora 1.0";
