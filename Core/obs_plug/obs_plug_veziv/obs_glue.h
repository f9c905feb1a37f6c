// What the libobs glue of both sources shares.
#pragma once

#include <obs-module.h>

namespace veltranobox
{

// An input source that OBS only names, creates and destroys.
inline obs_source_info inputSourceInfo(const char* id, uint32_t outputFlags,
                                       const char* (*getName)(void*),
                                       void* (*create)(obs_data_t*, obs_source_t*),
                                       void (*destroy)(void*))
{
    obs_source_info info = {};
    info.id = id;
    info.type = OBS_SOURCE_TYPE_INPUT;
    info.output_flags = outputFlags;
    info.get_name = getName;
    info.create = create;
    info.destroy = destroy;
    return info;
}

} // namespace veltranobox
