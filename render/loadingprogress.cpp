#include "render/maprendererimpl.h"

int MapRendererImpl::RunLoadingDialog(LoadingDialogHost* /*host*/) { return 0; }
