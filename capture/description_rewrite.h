// Rewriting a capture description file with a new first source (the camera
// chooser's pick).
//
// The file's text stays as it was, byte for byte, but for two changes: the
// new <source> becomes the first one, and every source that names the same
// device="..." goes (an earlier pick of the same camera, which the new one
// replaces).  Comments, the other sources and their order stay, so a file
// the user wrote keeps everything the user wrote.  A missing or malformed
// file (the program could not read it either), or one with NUL bytes, gives
// a new file holding the new source alone.
#pragma once

#include <string>

#include "capture/device_description.h"

// The element of a camera source, e.g.
// <source device="/dev/video2" width="1280" height="720" framerate="30"/>;
// only what is set (not 0, not kAny) is written.
std::string CameraSourceElement(const CaptureSourceSpec& source);

// `old_text`: the file as it is ("" when there is none).  `source`: a camera
// source.
std::string DescriptionWithFirstSource(const std::string& old_text, const CaptureSourceSpec& source);
