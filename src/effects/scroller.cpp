#include "effects/effects.h"

void Scroller(const Region*, int32_t) {}
