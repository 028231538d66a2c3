// The demo's frame loop: runs until the quit message is taken.
#pragma once

#include "app/GameFrame.h"

void RunFrameLoop(CGameFrame& frame);
