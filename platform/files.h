// Whole-file reads: the loaders that want a file's bytes at once (models,
// masks, shaders, the sound files' layout check, device descriptions) read
// them here, in one piece.  The path is used as given: callers turn shown
// paths ('\') into native ones themselves, and the error text names the file
// as it was passed.  A failure says at which stage it happened and carries
// GLib's own wording of it (in the user's language), which some callers show.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class FileReadFailure {
    kNone,
    kOpen,    // the file is missing, not readable, or no file at all
    kMemory,  // its bytes do not fit into memory
    kRead,    // it opened, but reading it failed (an I/O error)
};

struct FileReadError {
    FileReadFailure failure = FileReadFailure::kNone;
    std::string text;  // "Failed to open file “name”: No such file or directory"
};

// Replaces *bytes with the whole file.  False on failure, with the reason in
// *error when given (*bytes is then unspecified).
bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes, FileReadError* error = nullptr);

// Replaces the file at `path` with `text` atomically (a temporary file beside
// it, then a rename), so that a reader finds the old text or the new one,
// never a part.  False with GLib's words in *error (when given).
bool ReplaceWholeFile(const char* path, const std::string& text, std::string* error = nullptr);
