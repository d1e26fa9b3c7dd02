#include "capture/frame_record.h"

#include <algorithm>
#include <cstdio>
#include <string>

static constexpr char PngHeader[] = "frame,order,row,millis\n";
static constexpr char RawHeader[] = "frame,order,row,millis,written\n";

std::string FrameFileName(uint32_t frame, const char* extension)
{
    char name[32];
    std::snprintf(name, sizeof name, "%06u.%s", frame, extension);
    return name;
}

bool FrameOfName(const std::string& name, const char* extension, uint32_t* frame)
{
    const size_t digits = name.find_first_not_of("0123456789");
    if (digits < 6 || digits > 9 || digits == std::string::npos)
        return false;
    *frame = static_cast<uint32_t>(std::stoul(name.substr(0, digits)));
    return name == FrameFileName(*frame, extension);
}

const char* RecordHeader(bool png) { return png ? PngHeader : RawHeader; }

void AddRecordLine(std::string* text, const FrameRecord& r, bool png, bool written)
{
    *text += std::to_string(r.frame) + "," + std::to_string(r.order) + "," + std::to_string(r.row) + "," +
             std::to_string(r.millis) + (png ? "\n" : written ? ",1\n" : ",0\n");
}

bool ReadRecord(const FolderHold& folder, const std::vector<std::string>& present, bool png, const std::string& shown,
                std::vector<std::string>* earlier, std::string* error)
{
    const auto has = [&](const std::string& name) { return std::find(present.begin(), present.end(), name) != present.end(); };
    if (!has(RecordName))
        return true;
    // Opened by name in the held folder, never through a link.
    std::string text;
    Descriptor file(KindAt(folder, RecordName) == FileKind::File ? OpenFileAt(folder, RecordName) : -1);
    const std::string header = RecordHeader(png);
    if (file.fd < 0 || !ReadWhole(file.fd, &text) || text.compare(0, header.size(), header) != 0) {
        *error = shown + "/" + RecordName + " is not the record of a " + (png ? "--png" : "--raw") +
                 " capture, and this capture would replace it; move it or name another folder";
        return false;
    }
    earlier->push_back(RecordName);
    for (size_t at = header.size(); at < text.size();) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const size_t comma = line.find(',');
        if (comma == std::string::npos || comma == 0 || comma > 9 || line.find_first_not_of("0123456789") != comma)
            continue;
        const uint32_t frame = static_cast<uint32_t>(std::stoul(line.substr(0, comma)));
        const std::string name = FrameFileName(frame, png ? "png" : "rgb565");
        if ((png || line.ends_with(",1")) && has(name))
            earlier->push_back(name);
    }
    return true;
}
