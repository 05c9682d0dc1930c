// The 66 persisted settings: names, order and stored forms.
//
// Positions are stored as value + 128 and colours and the motion threshold as
// value x 100, both truncated toward zero, as unsigned 32-bit numbers; the
// motion mask's path as its text (empty: no mask).
#pragma once

#include <cstdint>

uint32_t StorePosition(float position);
float LoadPosition(uint32_t stored);
uint32_t StoreHundredths(float value);
float LoadHundredths(uint32_t stored);
// The motion threshold in hundredths, but a threshold above 0 never becomes
// 0 (which would fire at every measurement): it is kept as 0.01.
uint32_t StoreThreshold(float threshold);

// Reads every setting of section "main" into the Application state, each with
// the field's current value as the default.
void LoadSettings();

// Writes every setting of section "main", in the same order.  When the
// store refuses one, stops there (the store reports it on standard error)
// and returns false.
bool SaveSettings();
