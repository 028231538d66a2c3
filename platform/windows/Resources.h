// The state the Windows side of the platform layer shares between its files.
#pragma once

#include "platform/Platform.h"

namespace Platform {

// The table SetResources was given, or null.
const ResourceTable* Resources();

}  // namespace Platform
