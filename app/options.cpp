#include "app/options.h"

#include <cstring>

namespace {

struct XOption {
    const char* name;
    bool takes_value;
};

// The options glutInit takes out of the command line itself.
const XOption kXOptions[] = {
    {"-display", true}, {"-geometry", true}, {"-iconic", false}, {"-direct", false},
    {"-indirect", false}, {"-gldebug", false}, {"-sync", false},
};

const XOption* FindXOption(const char* argument) {
    for (const XOption& option : kXOptions)
        if (std::strcmp(argument, option.name) == 0) return &option;
    return nullptr;
}

Options Refuse(const std::string& error) { return {OptionsAction::kRefuse, error}; }

}  // namespace

Options ParseOptions(int argc, const char* const* argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--help") == 0) {
            options.action = OptionsAction::kHelp;
        } else if (std::strcmp(argument, "--version") == 0) {
            if (options.action == OptionsAction::kRun) options.action = OptionsAction::kVersion;
        } else if (const XOption* x = FindXOption(argument)) {
            if (x->takes_value && ++i >= argc) return Refuse(std::string(argument) + " needs a value");
        } else if (argument[0] == '-' && argument[1] != '\0' && std::strcmp(argument, "--") != 0) {
            return Refuse(std::string("unknown option '") + argument + "'");
        } else {
            return Refuse(std::string("unexpected argument '") + argument +
                          "' (Lumora takes no file names)");
        }
    }
    return options;
}

std::string UsageText() {
    return "Usage: lumora [--help] [--version] [X options]\n"
           "\n"
           "Live camera picture with effects, motion detection and recording.\n"
           "\n"
           "Options:\n"
           "  --help       show this text and exit\n"
           "  --version    show the version and exit\n"
           "  X options as GLUT reads them: -display NAME, -geometry WxH+X+Y, -iconic,\n"
           "  -direct, -indirect, -gldebug, -sync\n"
           "\n"
           "Data is read from the working folder: dsvl/device1.xml and dsvl/device2.xml\n"
           "(the cameras), cg/ (effect programs), bmp/ (masks), mdl/ (the model) and\n"
           "wav/ (the alarm).  Start Lumora inside its data folder, as scripts/run does.\n"
           "\n"
           "Files are written below the working folder: screenshots and motion shots to\n"
           "capture/screenshot/, recordings to capture/record/.\n"
           "\n"
           "Settings: $XDG_CONFIG_HOME/Korvane/Lumora.conf (without XDG_CONFIG_HOME,\n"
           "~/.config/Korvane/Lumora.conf).\n"
           "\n"
           "Environment:\n"
           "  LUMORA_ENCODER      the recording compressor without asking: mjpeg, h264,\n"
           "                      raw, mpeg4 (with :QUALITY, e.g. h264:70), or cancel\n"
           "  LUMORA_FRAME_STATS  when set, the frame routine's run times at exit\n"
           "  XDG_CONFIG_HOME     the folder of the settings folder\n"
           "  ALSOFT_DRIVERS      OpenAL's output (e.g. null for no sound)\n"
           "  DISPLAY             the X display\n";
}
