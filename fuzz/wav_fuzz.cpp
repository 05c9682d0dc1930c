// WAV loading: the sound player's own load on OpenAL's silent backend, so
// the decode, the channel mixing and the buffer upload all run.
#include <cstdlib>

#include "fuzz_support.h"
#include "sound/sound_player.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("ALSOFT_DRIVERS", "null", 1);
    InitSoundPlayer();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = ScratchDir() + "/input.wav";
    WriteScratchFile(path, data, size);
    const int id = LoadSound(path.c_str());
    if (id) {
        SoundSettings settings;
        if (!GetSoundSettings(id, &settings)) std::abort();
        settings.frequency = 44100;
        SetSoundSettings(id, settings);
    }
    // A failed load keeps its id too; with every earlier one released, both
    // took id 1.
    ReleaseSound(id ? id : 1);
    return 0;
}
