#include "effects/effects.h"

void RingsXor3(const Region*, uint16_t) {}
void RingsSum2(const Region*) {}
