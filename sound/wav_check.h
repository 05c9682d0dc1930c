// Layout check of RIFF WAVE files, done before the decoder opens them.
//
// libsndfile (1.2.0) spends minutes inside sf_open on a file whose chunk
// claims more bytes than the file holds (e.g. a "LIST" chunk of 4 GiB), so
// the program would hang at the load of such an alarm sound.  A chunk may run
// past the end of the file only when it is the last one and holds the sound
// itself ("data": a recording cut short); any other overrun refuses the file.
// Files that are not RIFF WAVE are left to the decoder.
#pragma once

#include <cstddef>
#include <cstdint>

// True when the bytes are no RIFF WAVE file or their chunks fit the file.
bool RiffChunksFit(const uint8_t* data, size_t size);

// RiffChunksFit of the file at `path`; true when the file cannot be read
// (the decoder then reports it as it does any missing file).
bool RiffFileChunksFit(const char* path);
