// frames.csv, the record a capture keeps in each folder it fills: a header, then one line a frame
// ("frame,order,row,millis", and for raw buffers ",written" with 1 when the frame's file was
// written). A later capture removes only the files an earlier record lists. Main thread only.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "files/file_system.h"

inline constexpr char RecordName[] = "frames.csv";

// What a frame showed.
struct FrameRecord {
    uint32_t frame;
    int32_t order, row;
    uint32_t millis;
};

// The name of a frame's file: "NNNNNN.ext", the frame in six digits or more.
std::string FrameFileName(uint32_t frame, const char* extension);
// The frame a name stands for; false when it is no frame file of that extension.
[[nodiscard]] bool FrameOfName(const std::string& name, const char* extension, uint32_t* frame);

// The record's first line, for PNG frames or raw buffers.
const char* RecordHeader(bool png);
// Adds a frame's line; `written` says whether a raw buffer's file was written.
void AddRecordLine(std::string* text, const FrameRecord& r, bool png, bool written);
// Reads the record in folder (whose names are `present`) into *earlier: the frame files it lists
// as written that are there, and the record itself. Nothing when there is no record; false when a
// frames.csv is there that is not a record of this kind (*error says so, naming `shown`).
[[nodiscard]] bool ReadRecord(const FolderHold& folder, const std::vector<std::string>& present, bool png,
                              const std::string& shown, std::vector<std::string>* earlier, std::string* error);
