// The help text (two pages of 25 lines) and the command names.
#include "console/console.h"

// Line k of a page is drawn k lines above the input line, so each page
// reads top-down from its last entry to its first.
const char kHelpLines[kHelpTableSize][kConsoleLineLength] = {
    // page 1
    "help: --------------------------------",
    "help: screenshot -> take a screenshot",
    "help: ...between fullscreen and window mode",
    "help: swscreenmode -> switch screen mode...",
    "help: ...between GL_FILL and GL_LINE",
    "help: swpolygonmode -> switch polygon mode...",
    "help: ...between GL_LINEAR and GL_NEAREST",
    "help: swtexturemode -> switch texture mode...",
    "help: minimize ->  minimize the window",
    "help: exit ->  exit the program",
    "help: help ->  print the commands",
    "help: cls ->  clear the complete contents",
    "help: windowheight -> print the window height",
    "help: windowwidth -> print the window width",
    "help: bmpfile -> print the bmp file path",
    "help: pixelfile -> print the pixel shader file path",
    "help: vertexfile -> print the vertex shader file path",
    "help: modelfile -> print the model file path",
    "help: motionalarmfile -> print the motion alarm file path",
    "help: date -> print the current date",
    "help: time -> print the current time",
    "help: fps -> print the frames per second",
    "help: pcd -> print the percent difference",
    "help: about -> print the about information",
    "help: --------------------------------",
    // page 2
    "help: --------------------------------",
    "help: recordmode_screen -> set record mode to screen",
    "help: recordmode_effect -> set record mode to effect",
    "help: recordmode_normal -> set record mode to normal",
    "help: recordmode_off -> turn off record mode",
    "help: viewmode_imgswap -> set view mode to image swap",
    "help: viewmode_splitscreen -> set view mode to spitscreen",
    "help: viewmode_shader -> set view mode to shader",
    "help: viewmode_normal -> set view mode to normal",
    "help: motionrecord -> turn motion record ON/OFF",
    "help: motionalarm -> turn motion alarm ON/OFF",
    "help: motionshot -> turn motion shot ON/OFF",
    "help: --------------------------------",
    // entries 38..49 stay empty
};

// The index of a name is its command number (see ExecuteCommand).
const char kCommandNames[kCommandCount][kConsoleLineLength] = {
    "about",           "pcd",           "fps",           "time",
    "date",            "motionalarmfile", "modelfile",   "vertexfile",
    "pixelfile",       "bmpfile",       "windowwidth",   "windowheight",
    "cls",             "help",          "exit",          "minimize",
    "swtexturemode",   "swpolygonmode", "swscreenmode",  "screenshot",
    "motionshot",      "motionalarm",   "motionrecord",  "viewmode_normal",
    "viewmode_shader", "viewmode_splitscreen", "viewmode_imgswap", "recordmode_off",
    "recordmode_normal", "recordmode_effect", "recordmode_screen",
};
