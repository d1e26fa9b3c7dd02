// The show's timing, fixed by the music: 32 orders of 64 rows at tempo 3 and 125 BPM. A tracker
// tick lasts 2.5 s / BPM = 20 ms, a row is tempo ticks = 60 ms, an order 64 rows = 3,840 ms, and
// at 44,100 sample frames a second a row is 2,646 frames. The timeline is keyed on order and row,
// so every other figure follows from these.
#pragma once
#include <cstdint>

constexpr int32_t ShowOrders = 32;      // orders 0..31 in the module's order list
constexpr int32_t RowsPerOrder = 64;
constexpr uint32_t ShowTempo = 3;       // ticks a row
constexpr uint32_t ShowBpm = 125;
constexpr uint32_t RowMillis = ShowTempo * 2500 / ShowBpm;
constexpr uint32_t OrderMillis = RowsPerOrder * RowMillis;
static_assert(RowMillis == 60 && OrderMillis == 3840);

// The order whose first frame ends the show: that frame is drawn black, and it is the last one.
constexpr int32_t LastOrder = ShowOrders - 1;
