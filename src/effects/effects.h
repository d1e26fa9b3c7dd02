// The drawing routines the scene timeline calls. Each reads its Region (never writes it, except
// the split routines, which fill both records they are given) and writes the Framebuffer; none
// keeps anything from one call to the next: all motion comes from the record's millis.
// Which pixel loops the rings, rotozoomer and tunnel run: effects/loops.h.
// A level is a 16-bit fraction 0..65535 that scales a size S as (S * level) >> 16.
#pragma once
#include <cstdint>

#include "frame/frame.h"

// Pictures, whole buffer (only the record's geometry is read).
void FadePicture(const Region* r, uint32_t level);  // WarningPicture, each channel * level >> 16
void IrisCover(const Region* r, uint32_t level);    // LogoPicture where distance + 3 >= threshold
void IrisReveal(const Region* r, uint32_t level);   // ScrollerPicture where distance + 3 < threshold

// Copper bars inside the rectangle; the wipe fills left/right itself, bars left of the split.
void CopperBars(const Region* r);
void CopperWipe(Region* left, Region* right, uint32_t level);
uint16_t CopperWipeSplit(uint32_t level);  // the column the wipe splits at: rises with the level

// Interference rings inside the rectangle. flag 0 overlays only the odd-parity pixels.
void RingsXor3(const Region* r, uint16_t flag);
void RingsSum2(const Region* r);

// Rotozoomer inside the rectangle; row rotation; split screens (fill left and right themselves).
void Rotozoom(const Region* r);
void ShiftRow(uint16_t row, uint16_t amount);
void SplitRotoRings2(Region* left, Region* right, uint32_t level);
void SplitRotoRings3(Region* left, Region* right, uint32_t level);
uint16_t RotoRings2Split(uint32_t level);  // SplitRotoRings2's column: falls as the level rises
uint16_t RotoRings3Split(uint32_t level);  // SplitRotoRings3's column: rises with the level

// Tunnel inside the rectangle.
void Tunnel(const Region* r);

// Renders the text at scrollPos into ScrollerPicture's window, then copies the rectangle.
void Scroller(const Region* r, int32_t scrollPos);
