#include "app/DemoScene.h"

namespace {

// A sprite made as the demo makes them: the 200 x 200 piece at the picture's
// top left, in green, added under root. The caller sets its place, and any
// other flip, colour or blend mode.
CSpriteObject* AddPiece(CTSRenderTreeObject* root, CTSTexture* logo) {
  auto* sprite = new CSpriteObject;
  sprite->SetImage(logo);
  root->AddChild(sprite, nullptr, nullptr);
  sprite->SetColor(CTSColor(0xFF00FF00));
  sprite->SetWidth(200);
  sprite->SetHeight(200);
  sprite->SetSourceX(0);
  sprite->SetSourceY(0);
  return sprite;
}

}  // namespace

DemoScene BuildDemoScene(CTSRenderTree& tree, CTSTexture* logo) {
  CTSRenderTreeObject* root = tree.GetRoot();
  DemoScene scene;

  auto* background = new CSpriteObject;
  background->SetImage(logo);
  background->SetWidth(logo->GetWidth());
  background->SetHeight(logo->GetHeight());
  root->AddChild(background, nullptr, nullptr);
  background->SetColor(CTSColor(0xFFFFFFFF));

  scene.pulsingWhite = AddPiece(root, logo);
  scene.pulsingWhite->SetPosition(100, 100);

  CSpriteObject* mirrored = AddPiece(root, logo);
  mirrored->SetFlip(FLIP_HORIZONTAL);
  mirrored->SetColor(CTSColor(0xFFFF00FF));
  mirrored->SetBlendMode(BLEND_ALPHA);
  mirrored->SetPosition(400, 100);

  scene.pulsingGreen = AddPiece(root, logo);
  scene.pulsingGreen->SetFlip(FLIP_HORIZONTAL | FLIP_VERTICAL);
  scene.pulsingGreen->SetColor(CTSColor(0xFF00FF00));
  scene.pulsingGreen->SetBlendMode(BLEND_ALPHA);
  scene.pulsingGreen->SetPosition(400, 200);
  return scene;
}

void SetDemoSceneAlpha(const DemoScene& scene, DWORD alpha) {
  const DWORD white = (alpha << 24) | 0x00FFFFFF;
  scene.pulsingWhite->SetColor(CTSColor(white));
  scene.pulsingGreen->SetColor(CTSColor(white & 0xFF00FF00));
}
