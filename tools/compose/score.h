// The soundtrack's score: instruments synthesised in code and the 32 orders of patterns that
// follow the show's scenes, built into a module record. Deterministic: same record every run.
#pragma once
#include "xm_writer.h"

// Fills module with the whole soundtrack (header, orders, patterns and instruments).
void ComposeSoundtrack(XmModule* module);
