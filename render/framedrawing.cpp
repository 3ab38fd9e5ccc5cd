#include "render/maprendererimpl.h"

bool MapRendererImpl::Paint(RenderWindow* /*window*/, QImage* /*view*/) { return false; }
