// The sound layer of the demo: libopenmpt renders the module on SDL's audio thread.
#pragma once
#include <cstdint>
#include <string>

#include "sound/sound.h"

extern const SoundTable SdlSound;

// Frames between rendering a sample and hearing it: one device buffer (0 before Init).
uint32_t SoundLatencyFrames();

// --list-audio-devices: the name of every sound output SDL can play on, one a line. False, with
// *error saying why, when SDL's audio cannot start or finds no output.
bool ListAudioDevices(std::string* text, std::string* error);
