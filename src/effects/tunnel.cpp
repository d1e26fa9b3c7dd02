#include "effects/effects.h"

void Tunnel(const Region*) {}
