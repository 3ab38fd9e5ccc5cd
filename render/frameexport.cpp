#include "render/maprendererimpl.h"

bool MapRendererImpl::ExportJpeg(std::int32_t /*width*/, std::int32_t /*height*/,
                                 const std::string& /*path*/) {
    return false;
}
