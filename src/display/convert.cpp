#include "display/convert.h"

#include "frame/frame.h"

void ConvertFrame(const uint16_t* frame, uint8_t* staging)
{
    for (int y = 0; y < BufferHeight; ++y) {
        const uint16_t* src = frame + y * BufferWidth;
        uint8_t* dst = staging + y * StagingSize * 3;
        for (int x = 0; x < BufferWidth; ++x, dst += 3) {
            const uint32_t p = src[x];
            dst[0] = static_cast<uint8_t>((p >> 9) & 0xFC);
            dst[1] = static_cast<uint8_t>(((p >> 5) & 0x3F) << 1);
            dst[2] = static_cast<uint8_t>((p & 0x1F) << 2);
        }
    }
}
