#include "sound/music.h"

#include <cstring>

#include <libopenmpt/libopenmpt.h>

struct MusicDecoder {
    openmpt_module* module;
};

MusicDecoder* OpenMusic(const void* data, size_t size)
{
    static const char signature[] = "Extended Module: ";
    if (data == nullptr || size < 60 || std::memcmp(data, signature, sizeof signature - 1) != 0)
        return nullptr;
    openmpt_module* module = openmpt_module_create_from_memory2(
        data, size, openmpt_log_func_silent, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (module == nullptr)
        return nullptr;
    openmpt_module_set_repeat_count(module, 0);
    openmpt_module_set_render_param(module, OPENMPT_MODULE_RENDER_MASTERGAIN_MILLIBEL, 0);
    openmpt_module_set_render_param(module, OPENMPT_MODULE_RENDER_STEREOSEPARATION_PERCENT, MusicStereoSeparation);
    openmpt_module_set_render_param(module, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, MusicFilterLength);
    openmpt_module_set_render_param(module, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH, -1);
    openmpt_module_ctl_set_text(module, "play.at_end", "stop");
    // A seek starts the notes already sounding at the new place, as if played up to it.
    openmpt_module_ctl_set_boolean(module, "seek.sync_samples", 1);
    return new MusicDecoder{module};
}

void CloseMusic(MusicDecoder* m)
{
    if (m == nullptr)
        return;
    openmpt_module_destroy(m->module);
    delete m;
}

size_t RenderMusic(MusicDecoder* m, float* interleaved, size_t frames)
{
    return openmpt_module_read_interleaved_float_stereo(m->module, MusicRate, frames, interleaved);
}

uint32_t MusicPosition(MusicDecoder* m)
{
    const int32_t order = openmpt_module_get_current_order(m->module);
    const int32_t row = openmpt_module_get_current_row(m->module);
    if (order < 0 || row < 0)
        return PositionUnknown;
    return PackPosition(static_cast<uint32_t>(order), static_cast<uint32_t>(row));
}

bool SeekMusic(MusicDecoder* m, uint32_t position)
{
    openmpt_module_set_position_order_row(m->module, static_cast<int32_t>(PositionOrder(position)),
                                          static_cast<int32_t>(PositionRow(position)));
    return MusicPosition(m) == position;
}

double MusicDurationSeconds(MusicDecoder* m) { return openmpt_module_get_duration_seconds(m->module); }

uint32_t MusicOrderCount(MusicDecoder* m) { return static_cast<uint32_t>(openmpt_module_get_num_orders(m->module)); }
