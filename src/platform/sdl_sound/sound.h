// The sound layer of the demo: libopenmpt renders the module on SDL's audio thread.
#pragma once
#include <cstdint>
#include <string>

#include "sound/sound.h"

extern const SoundTable SdlSound;

// Frames between rendering a sample and hearing it: one device buffer (0 before Init).
uint32_t SoundLatencyFrames();
// For an output that takes no sound: goes on as without a device, the module decoded at the
// clock's pace from heardMillis of music since play started, while the device, still open,
// plays silence. Main thread, while the music plays; nothing happens without a device.
void SetDeviceAside(uint32_t heardMillis);
// Once the output set aside takes sound again: decodes up to heardMillis of music, where the
// clock stands, and the device goes on playing from there. Returns where the music goes on: at
// most one decoded slice past heardMillis, unless the clock had already decoded further. Main
// thread; returns heardMillis and does nothing unless the device was set aside.
uint32_t TakeDeviceBack(uint32_t heardMillis);
// Frames handed to the device before its latest callback (0 before the first): what is heard
// now is at least this less SoundLatencyFrames(), however late the audio thread runs.
uint32_t SoundDeliveredFrames();

// --list-audio-devices: the name of every sound output SDL can play on, one a line. False, with
// *error saying why, when SDL's audio cannot start or finds no output.
[[nodiscard]] bool ListAudioDevices(std::string* text, std::string* error);
