// The demo's frame loop: runs until the quit message is taken.
#pragma once

#include "app/DemoScene.h"
#include "app/GameFrame.h"

// Runs until the quit message is taken; the scene's sprites pulse when one
// is given.
void RunFrameLoop(CGameFrame& frame, const DemoScene* scene);
