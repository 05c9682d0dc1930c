// Recording stand-ins for the sound player's OpenAL half
// (sound/sound_player_al.cpp).  Loads hand out ids from 1 like the real
// player; starts are only logged; settings reach no device.
#include "sound/sound_player.h"
#include "support/fake_log.h"
#include "support/fake_sound.h"

#include <string>

namespace {
int g_next_id = 1;
}

void InitSoundPlayer() { LogFakeCall("InitSoundPlayer"); }
int LoadSound(const char* path) {
    LogFakeCall(std::string("LoadSound ") + path);
    return g_next_id++;
}
std::function<void(int)> on_fake_start_sound;

void StartSound(int id) {
    LogFakeCall("StartSound " + std::to_string(id));
    if (on_fake_start_sound) on_fake_start_sound(id);
}
void StopSound(int id) { LogFakeCall("StopSound " + std::to_string(id)); }
void ReleaseSound(int id) { LogFakeCall("ReleaseSound " + std::to_string(id)); }
void ShutdownSoundPlayer() { LogFakeCall("ShutdownSoundPlayer"); }
void ApplyToVoices(const SoundRecord& sound) { LogFakeCall("ApplyToVoices " + std::to_string(sound.id)); }
void ApplyListener() { LogFakeCall("ApplyListener"); }
