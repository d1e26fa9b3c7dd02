// The soundtrack's score: instruments synthesised in code and the 32 orders of patterns that
// follow the show's scenes, built into a module record. Deterministic: same record every run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "compose/xm_writer.h"

// Fills module with the whole soundtrack (header, orders, patterns and instruments); false with
// the first slip in the score's text (a misspelt chord or melody step) in error.
[[nodiscard]] bool ComposeSoundtrack(XmModule* module, std::string* error);

// The soundtrack as XM bytes, the file assets/music.xm holds: ComposeSoundtrack, then EncodeXm
// into *bytes (replacing what they held); false with the first fault in error. Pure arithmetic
// on doubles: about 0.6 s natively, and the same bytes wherever the maths library rounds alike.
[[nodiscard]] bool ComposeSoundtrackBytes(std::vector<uint8_t>* bytes, std::string* error);
