// Which pixel loops the rings, the rotozoomer, the tunnel and the buffer conversion run: the plain
// loops, written one pixel at a time, or one of the vector forms Highway compiles from a single
// source for each instruction set (SSE4, AVX2, AVX-512 on x86-64, NEON on arm64, SIMD128 on the
// web). Every form draws exactly the pixels of the plain loops.
#pragma once
#include <cstdint>
#include <span>

struct PixelLoops {
    const char* name;  // "Plain", or Highway's name of the instruction set ("AVX2", "AVX3", "NEON", ...)
    int64_t target;    // Highway's bit for the instruction set; 0 for the plain loops
};

// The forms this processor runs, checked once: "Plain" first, then each compiled vector form the
// processor has, slowest to fastest.
std::span<const PixelLoops> PixelLoopChoices();
// The form the program draws with until UsePixelLoops picks another: the last choice or, where
// that is one of Highway's baseline forms that draw slower than the plain loops, "Plain".
const PixelLoops& OwnLoops();
// Draws and converts with `loops` (one of PixelLoopChoices) from the next call on. Main thread,
// between frames: for tests and benchmarks that compare the forms.
void UsePixelLoops(const PixelLoops& loops);
// The form chosen; PlainLoops() is true while it is the plain loops, and the vector forms then
// stay unused.
const PixelLoops& ChosenLoops();
bool PlainLoops();
