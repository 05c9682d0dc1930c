// The "Video Compression" chooser: which encoder a new recording uses and
// at what quality.  Modal; the AVI writer asks it once per recording.
//
// Without a dialog the choice can be preset:
//   LUMORA_ENCODER=<id>[:<quality>]   e.g. "mjpeg", "h264:70", "raw"
//   LUMORA_ENCODER=cancel             behaves like the Cancel button
// Ids are those the writer offers ("raw", "mjpeg", "h264", "mpeg4"); an id
// that is not offered falls back to the dialog.  Tests may also install a
// chooser function of their own.
#pragma once

#include <string>
#include <vector>

struct EncoderOption {
    std::string id;     // "mjpeg"
    std::string label;  // "Motion JPEG"
    bool has_quality;   // the quality setting applies
};

struct EncoderChoice {
    std::string id;
    int quality = 85;  // 1 (smallest file) to 100 (best picture)
};

// Shows the chooser for `offered` (not empty), preselecting the last choice
// made in this run.  Returns false when the user cancels.
bool ChooseEncoder(const std::vector<EncoderOption>& offered, EncoderChoice* choice);

using EncoderChooserFn = bool (*)(const std::vector<EncoderOption>& offered, EncoderChoice* choice);
// Replaces the dialog (nullptr restores it); returns the previous function.
EncoderChooserFn SetEncoderChooser(EncoderChooserFn chooser);

// Parses a LUMORA_ENCODER value.  Returns false for an empty or malformed
// text; sets *cancel for "cancel", otherwise fills *choice (quality clamped
// to 1..100, kept as it was when not given).
bool ParseEncoderOverride(const char* text, EncoderChoice* choice, bool* cancel);

// Index of `id` in `offered`, or -1.
int FindEncoderOption(const std::vector<EncoderOption>& offered, const std::string& id);

// The dialog itself (encoder_chooser_gtk.cpp): shows `offered` with *choice
// preselected and fills *choice when the user accepts.
enum class EncoderDialogAnswer { kAccepted, kCancelled, kUnavailable };
EncoderDialogAnswer RunEncoderDialog(const std::vector<EncoderOption>& offered, EncoderChoice* choice);
