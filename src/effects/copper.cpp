#include "effects/effects.h"

void CopperBars(const Region*) {}
void CopperWipe(Region*, Region*, uint32_t) {}
