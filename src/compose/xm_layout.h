// Where the fields of an XM file lie: byte offsets from the start of the file for the header, from
// the start of a pattern, instrument or sample header for the rest. All values are little-endian.
// Shared by the writer, the build's module check and the tests that read modules back.
#pragma once
#include <cstddef>
#include <cstdint>

// ---- module header ----
constexpr size_t XmIdAt = 0;              // "Extended Module: ", XmIdLength bytes
constexpr size_t XmIdLength = 17;
constexpr size_t XmNameAt = 17;           // module name, XmNameLength bytes padded with spaces
constexpr size_t XmNameLength = 20;
constexpr size_t XmMarkAt = 37;           // XmMark
constexpr uint8_t XmMark = 0x1A;
constexpr size_t XmTrackerAt = 38;        // tracker name, XmNameLength bytes padded with spaces
constexpr size_t XmVersionAt = 58;        // u16, XmVersion
constexpr uint16_t XmVersion = 0x0104;
constexpr size_t XmHeaderSizeAt = 60;     // u32, counted from this field to the end of the order table
constexpr uint32_t XmHeaderSize = 276;
constexpr size_t XmSongLengthAt = 64;     // u16, entries of the order list
constexpr size_t XmRestartAt = 66;        // u16
constexpr size_t XmChannelsAt = 68;       // u16
constexpr size_t XmPatternsAt = 70;       // u16
constexpr size_t XmInstrumentsAt = 72;    // u16
constexpr size_t XmFlagsAt = 74;          // u16, bit 0: linear frequency table
constexpr size_t XmTempoAt = 76;          // u16, ticks per row
constexpr size_t XmBpmAt = 78;            // u16
constexpr size_t XmOrdersAt = 80;         // u8 pattern numbers, XmOrderTableLength of them
constexpr size_t XmOrderTableLength = 256;
constexpr size_t XmFixedHeaderBytes = 80; // everything before the order table
// The first pattern header, in a file whose header size is XmHeaderSize.
constexpr size_t XmFirstPatternAt = XmHeaderSizeAt + XmHeaderSize;

// ---- pattern header ----
constexpr size_t XmPatternLengthAt = 0;   // u32, the header's own size
constexpr size_t XmPatternPackingAt = 4;  // u8, always 0
constexpr size_t XmPatternRowsAt = 5;     // u16
constexpr size_t XmPatternPackedAt = 7;   // u16, bytes of packed cells after the header
constexpr uint32_t XmPatternHeaderSize = 9;

// ---- instrument header ----
constexpr size_t XmInstrumentSizeAt = 0;     // u32, the header's own size
constexpr size_t XmInstrumentNameAt = 4;     // XmLongNameLength bytes padded with zeros
constexpr size_t XmInstrumentSamplesAt = 27; // u16
constexpr size_t XmSampleHeaderSizeAt = 29;  // u32, present only when there are samples
constexpr uint32_t XmEmptyInstrumentHeaderSize = 29;
constexpr uint32_t XmSampleHeaderSizeEnd = 33;  // the least an instrument with samples must hold
constexpr uint32_t XmInstrumentHeaderSize = 263;  // with the sample-related part that FT2 writes
constexpr size_t XmLongNameLength = 22;

// ---- sample header ----
constexpr size_t XmSampleLengthAt = 0;    // u32, bytes of sample data
constexpr uint32_t XmSampleHeaderSize = 40;
