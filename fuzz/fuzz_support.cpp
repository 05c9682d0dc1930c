#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

const std::string& ScratchDir() {
    static const std::string dir = [] {
        // scripts/fuzz hands each run a folder of its own and removes it after.
        const char* given = std::getenv("LUMORA_FUZZ_SCRATCH");
        for (const char* base : {given ? given : "/dev/shm", "/tmp"}) {
            std::string pattern = std::string(base) + "/lumora-fuzz-XXXXXX";
            if (mkdtemp(pattern.data())) return pattern;
        }
        std::perror("fuzz: mkdtemp");
        std::abort();
    }();
    return dir;
}

void WriteScratchFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || (size && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}
