// The "Video Compression" chooser: which encoder a new recording uses, at
// what quality, and in which container (AVI, or MP4 for the encoders that
// fit it: H.264).  Modal; the recording writer asks it once per recording.
//
// Without a dialog the choice can be preset:
//   LUMORA_ENCODER=<id>[:<quality>][@<container>]
//       e.g. "mjpeg", "h264:70", "raw", "h264@mp4", "h264:70@mp4"
//   LUMORA_ENCODER=cancel             behaves like the Cancel button
// Ids are those the writer offers ("raw", "mjpeg", "h264", "mpeg4"); the
// container is "avi" (the default) or "mp4".  An id that is not offered, or
// a container that does not take it ("mjpeg@mp4"), falls back to the
// dialog.  Tests may also install a chooser function of their own.
#pragma once

#include <string>
#include <vector>

// The file a recording is stored in.  AVI takes every encoder; MP4 (for
// browsers) only those whose option says it fits.
enum class VideoContainer { kAvi, kMp4 };

struct EncoderOption {
    std::string id;         // "mjpeg"
    std::string label;      // "Motion JPEG"
    bool has_quality;       // the quality setting applies
    bool fits_mp4 = false;  // an MP4 file can carry its frames
};

struct EncoderChoice {
    std::string id;
    int quality = 85;  // 1 (smallest file) to 100 (best picture)
    VideoContainer container = VideoContainer::kAvi;
};

// The container's name in LUMORA_ENCODER and in the dialog ("avi", "AVI"),
// and its file extension (".avi").
const char* ContainerId(VideoContainer container);
const char* ContainerLabel(VideoContainer container);
const char* ContainerExtension(VideoContainer container);
// Whether `container` can carry `option`'s frames.
bool ContainerFits(VideoContainer container, const EncoderOption& option);
// Makes `choice` one that can be stored: an id not offered becomes the
// first offered, and a container that cannot carry the id becomes AVI.
void SettleChoice(const std::vector<EncoderOption>& offered, EncoderChoice* choice);

// Shows the chooser for `offered` (not empty), preselecting the last choice
// made in this run.  Returns false when the user cancels.
bool ChooseEncoder(const std::vector<EncoderOption>& offered, EncoderChoice* choice);

using EncoderChooserFn = bool (*)(const std::vector<EncoderOption>& offered, EncoderChoice* choice);
// Replaces the dialog (nullptr restores it); returns the previous function.
EncoderChooserFn SetEncoderChooser(EncoderChooserFn chooser);

// Parses a LUMORA_ENCODER value.  Returns false for an empty or malformed
// text; sets *cancel for "cancel", otherwise fills *choice (quality clamped
// to 1..100, kept as it was when not given; the container AVI when not
// given).
bool ParseEncoderOverride(const char* text, EncoderChoice* choice, bool* cancel);

// Index of `id` in `offered`, or -1.
int FindEncoderOption(const std::vector<EncoderOption>& offered, const std::string& id);

// The dialog itself (encoder_chooser_gtk.cpp): shows `offered` with *choice
// preselected and fills *choice when the user accepts.
enum class EncoderDialogAnswer { kAccepted, kCancelled, kUnavailable };
EncoderDialogAnswer RunEncoderDialog(const std::vector<EncoderOption>& offered, EncoderChoice* choice);
