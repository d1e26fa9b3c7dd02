// The soundtrack's score: instruments synthesised in code and the 32 orders of patterns that
// follow the show's scenes, built into a module record. Deterministic: same record every run.
#pragma once
#include "xm_writer.h"

// Fills module with the whole soundtrack (header, orders, patterns and instruments); false with
// the first slip in the score's text (a misspelt chord or melody step) in error.
bool ComposeSoundtrack(XmModule* module, std::string* error);
