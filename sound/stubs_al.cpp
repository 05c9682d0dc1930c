// Placeholder until the sound player lands.
#include "sound/sound_player.h"

void InitSoundPlayer() {}
int LoadSound(const char*) { return 0; }
void StartSound(int) {}
void StopSound(int) {}
void ReleaseSound(int) {}
void ShutdownSoundPlayer() {}
