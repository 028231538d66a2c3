// The program's resources: menu and accelerator table 109, icons 107 and 108.
#pragma once

#include "platform/Platform.h"

const Platform::ResourceTable& QarnResources();
