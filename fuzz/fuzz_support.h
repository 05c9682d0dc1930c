// Helpers shared by the fuzz targets: a private scratch folder in memory
// and whole-file writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A folder of this process under /dev/shm (or /tmp), made on first use.
const std::string& ScratchDir();

// Writes `size` bytes to `path`, replacing the file; aborts on failure (a
// fuzzer that cannot write its input would test nothing).
void WriteScratchFile(const std::string& path, const uint8_t* data, size_t size);
