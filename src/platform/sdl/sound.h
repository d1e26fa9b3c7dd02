// The sound layer of the demo: libopenmpt renders the module on SDL's audio thread.
#pragma once
#include <cstdint>

#include "sound/sound.h"

extern const SoundTable SdlSound;

// Frames between rendering a sample and hearing it: one device buffer (0 before Init).
uint32_t SoundLatencyFrames();
