#include "assets/assets.h"
#include "effects/effects.h"

void FadePicture(const Region* r, uint32_t level)
{
    const size_t n = size_t{r->stride} * r->height;
    for (size_t k = 0; k < n; ++k) {
        const uint32_t p = WarningPicture[k];
        const uint32_t red = ((p >> 11) * level) >> 16;
        const uint32_t green = (((p >> 5) & 63) * level) >> 16;
        const uint32_t blue = ((p & 31) * level) >> 16;
        Framebuffer[k] = static_cast<uint16_t>((red << 11) | (green << 5) | blue);
    }
}

void IrisCover(const Region*, uint32_t) {}
void IrisReveal(const Region*, uint32_t) {}
