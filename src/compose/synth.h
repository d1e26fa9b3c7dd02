// The soundtrack's instruments, synthesised in code: drums and effects as one-shot 44.1 kHz
// samples, tonal instruments as looped additive waveforms tuned to equal temperament (A-4 = 440 Hz).
#pragma once
#include <cstdint>
#include <span>

#include "compose/xm_writer.h"

// The instruments in module order; the module numbers them from 1 (Kick = 1).
enum class Voice : uint8_t {
    Kick = 1, Snare, Clap, ClosedHat, OpenHat, Crash, Ride, Tom, Riser, ReverseCymbal, Impact,
    Bass, SubBass, Lead, Bell, Pad, Strings, Pluck, Stab, Piano, Flute,
};
constexpr int VoiceCount = 21;

// Builds all instruments, instrument k - 1 being Voice k. Same result on every run.
void SynthesiseInstruments(XmInstrument* out, int count);

// The frequency in Hz at which a tonal instrument's sample plays at its C-4 with its relative note
// and finetune, as the linear frequency table computes it: 8363 * 2^((relative + finetune/128) / 12).
double XmSampleC4Rate(const XmSample* sample);

// The frequency in Hz of an XM note (1 = C-0) in equal temperament with A-4 (note 58) at 440 Hz.
double EqualTemperedHz(int note);

// Relative note and finetune that make a waveform with the given period in frames sound at
// C-4 (261.63 Hz): the nearest 1/128 semitone, so the error is below 0.4 cents.
void TuneSample(XmSample* sample, double periodFrames);
