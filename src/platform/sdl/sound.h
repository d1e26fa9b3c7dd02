// The sound layer of the demo: libopenmpt renders the module on SDL's audio thread.
#pragma once
#include <cstdint>
#include <string>

#include "sound/sound.h"

extern const SoundTable SdlSound;

// Frames between rendering a sample and hearing it: one device buffer (0 before Init).
uint32_t SoundLatencyFrames();
// Frames handed to the device before its latest callback (0 before the first): what is heard
// now is at least this less SoundLatencyFrames(), however late the audio thread runs.
uint32_t SoundDeliveredFrames();

// --list-audio-devices: the name of every sound output SDL can play on, one a line. False, with
// *error saying why, when SDL's audio cannot start or finds no output.
bool ListAudioDevices(std::string* text, std::string* error);
