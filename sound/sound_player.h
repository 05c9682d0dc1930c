// Alarm sound player on OpenAL Soft + libsndfile.
//
// Sounds get ids from 1 in load order; a failed load still takes an id slot
// but returns 0.  StartSound plays once, asynchronously; starts overlap.
// Without an audio device everything still works, silently.
#pragma once

void InitSoundPlayer();
int LoadSound(const char* path);
void StartSound(int id);
void StopSound(int id);
void ReleaseSound(int id);
void ShutdownSoundPlayer();
