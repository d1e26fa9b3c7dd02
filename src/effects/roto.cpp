#include "effects/effects.h"

void Rotozoom(const Region*) {}
void ShiftRow(uint16_t, uint16_t) {}
void SplitRotoRings2(Region*, Region*, uint32_t) {}
void SplitRotoRings3(Region*, Region*, uint32_t) {}
