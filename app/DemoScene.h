// The demo's four sprites of the background picture, and their pulsing alpha.
#pragma once

#include "app/SpriteObject.h"
#include "engine/scene/TSRenderTree.h"

struct DemoScene {
  CSpriteObject* pulsingWhite = nullptr;  // sprite 2
  CSpriteObject* pulsingGreen = nullptr;  // sprite 4
};

// Adds the four sprites to the tree's root; the tree owns them.
DemoScene BuildDemoScene(CTSRenderTree& tree, CTSTexture* logo);
// Sprite 2 turns white and sprite 4 green, both with the given alpha.
void SetDemoSceneAlpha(const DemoScene& scene, DWORD alpha);
