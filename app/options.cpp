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
        } else if (std::strcmp(argument, "--set-web-password") == 0) {
            if (options.action == OptionsAction::kRun) options.action = OptionsAction::kSetWebPassword;
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
    return "Usage: lumora [--help] [--version] [--set-web-password] [X options]\n"
           "\n"
           "Live camera picture with effects, motion detection and recording.\n"
           "\n"
           "Options:\n"
           "  --help       show this text and exit\n"
           "  --version    show the version and exit\n"
           "  --set-web-password  read the web view's password from standard input\n"
           "               (one line; empty removes it), store its salted hash, exit\n"
           "  X options as GLUT reads them: -display NAME, -geometry WxH+X+Y, -iconic,\n"
           "  -direct, -indirect, -gldebug, -sync\n"
           "\n"
           "Data (effect programs in cg/, masks in bmp/, the model in mdl/, the alarm in\n"
           "wav/, the camera files dsvl/device1.xml and dsvl/device2.xml) is read from\n"
           "the first of: $LUMORA_DATA_DIR; the working folder, when it holds the data\n"
           "(as scripts/run starts it); data/ next to the program (a build folder);\n"
           "../share/lumora/ next to the program (installed).  A camera file kept in\n"
           "$XDG_CONFIG_HOME/Korvane/dsvl/ is read instead of the installed one.\n"
           "\n"
           "Files: started in its data folder, Lumora writes below it, screenshots and\n"
           "motion shots to capture/screenshot/ and recordings to capture/record/.\n"
           "Otherwise shots go to $XDG_PICTURES_DIR/Lumora/ and recordings to\n"
           "$XDG_VIDEOS_DIR/Lumora/ (~/Pictures and ~/Videos unless the user's folders\n"
           "say otherwise), made when first needed.\n"
           "\n"
           "Settings: $XDG_CONFIG_HOME/Korvane/Lumora.conf (without XDG_CONFIG_HOME,\n"
           "~/.config/Korvane/Lumora.conf).\n"
           "\n"
           "Environment:\n"
           "  LUMORA_ENCODER      the recording compressor without asking: mjpeg, h264,\n"
           "                      raw, mpeg4 (with :QUALITY, e.g. h264:70), or cancel;\n"
           "                      @mp4 stores H.264 in MP4 instead of AVI (h264:70@mp4)\n"
           "  LUMORA_FRAME_STATS  when set, the frame routine's run times, drawn frames per\n"
           "                      second, frame latency and start steps (at exit, and\n"
           "                      at SIGUSR1, which starts them afresh)\n"
           "  LUMORA_DATA_DIR     the data folder, instead of looking for it\n"
           "  XDG_CONFIG_HOME     the folder of the settings folder\n"
           "  XDG_PICTURES_DIR    the user's Pictures folder (shots of an installed Lumora)\n"
           "  XDG_VIDEOS_DIR      the user's Videos folder (its recordings)\n"
           "  ALSOFT_DRIVERS      OpenAL's output (e.g. null for no sound)\n"
           "  DISPLAY             the X display\n";
}
