// Draws chosen frames of the show, in increasing order, exactly as the live loop would have drawn
// them had it drawn every frame of the capture's rate before them. Main thread; the lookup tables
// must be built and the Framebuffer allocated.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/driver.h"
#include "offline/show_music.h"

struct ShowPlayer {
    const ShowMusic* music;
    ShowState show;  // the driver's position and records, carried from frame to frame
    int64_t drawn;   // the last frame drawn, -1 before the first
};

// The start of every drawing of the show offline: *pixels made a black frame buffer that
// Framebuffer points at (the caller points it elsewhere before pixels goes), then PrepareShow into
// *show. False, with *error, when a lookup table cannot be allocated. Main thread.
[[nodiscard]] bool PrepareOfflineShow(std::vector<uint16_t>* pixels, ShowState* show, std::string* error);

// Puts the show at its start (StartShowAt 0). The music must outlive the player.
void StartPlayer(ShowPlayer* player, const ShowMusic* music);

// Draws frame k (after the last one drawn) into the Framebuffer, leaving the clock and records as
// the frame left them. Of the frames skipped over, only what a later frame reads is made: the
// scroller's picture as the last of them that runs the scroller left it (StartShowAt with that
// frame's position) and frame k - 1 (whose records order 30 keeps).
void PlayFrame(ShowPlayer* player, uint32_t frame);
