// Settings store: named text values in sections, kept between runs in one
// per-user file, $XDG_CONFIG_HOME/Korvane/Lumora.conf (~/.config when unset).
//
// Every call opens the file afresh; every write replaces the whole file
// atomically (temporary file, fsync, rename), so a crash never leaves a
// half-written file.  Reads never fail: a missing value, a missing or corrupt
// file, or text that does not fit yields the default.
#pragma once

#include <cstdint>
#include <string>

// Path of the settings file (the folder is created by the first write).
std::string SettingsFilePath();

// Returns 1 when the value was stored, 0 otherwise (with one line on
// standard error saying why).
int WriteSettingText(const char* section, const char* name, const char* text);

// Copies the stored text (or `default_text`) into `out`; returns the number
// of bytes delivered, terminator included, or the default's length.
int ReadSettingText(const char* section, const char* name, const char* default_text, char* out,
                    int capacity);

int WriteSettingUnsigned(const char* section, const char* name, uint32_t value);

// The number the text starts with ("12abc" reads 12); text that does not
// start with a digit, or whose number needs more than 32 bits, reads as the
// default.
uint32_t ReadSettingUnsigned(const char* section, const char* name, uint32_t default_value);
