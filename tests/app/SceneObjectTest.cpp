// The demo's scene objects: what they draw, the rectangles they report, when
// they are dirty, and the uses they hold of their image.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <ostream>
#include <vector>

#include "app/SpriteObject.h"
#include "engine/graphics/software/TSGDITexture.h"
#include "engine/scene/TSRenderTree.h"
#include "tests/scene/RecordingGraphics.h"

namespace {

struct SpriteCall {
  CTSTexture* texture;
  INT x, y, srcX, srcY, width, height;
  BlendMode blendMode;
  FlipFlags flipFlags;
  DWORD color;

  bool operator==(const SpriteCall&) const = default;
};

std::ostream& operator<<(std::ostream& out, const SpriteCall& call) {
  return out << "DrawSprite(" << call.texture << ", " << call.x << ", " << call.y << ", " << call.srcX << ", "
             << call.srcY << ", " << call.width << ", " << call.height << ", " << call.blendMode << ", "
             << call.flipFlags << ", " << std::hex << call.color << std::dec << ")";
}

struct BltCall {
  CTSTexture* texture;
  INT x, y;

  bool operator==(const BltCall&) const = default;
};

// Keeps the arguments of every sprite and whole-texture draw besides the
// recording of clips, clears and draws.
class CSpriteRecorder : public CRecordingGraphics {
 public:
  CSpriteRecorder() : CRecordingGraphics(640, 480) {}

  std::vector<SpriteCall> sprites;
  std::vector<BltCall> blts;

  void DrawSprite(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcWidth, INT srcHeight,
                  BlendMode blendMode, FlipFlags flipFlags, CTSColor color) override {
    sprites.push_back(
        {texture, x, y, srcX, srcY, srcWidth, srcHeight, blendMode, flipFlags, color.GetARGB()});
    CRecordingGraphics::DrawSprite(texture, x, y, srcX, srcY, srcWidth, srcHeight, blendMode, flipFlags,
                                   color);
  }
  void BltWhole(CTSTexture* texture, INT x, INT y) override {
    blts.push_back({texture, x, y});
    CRecordingGraphics::BltWhole(texture, x, y);
  }
};

// A software texture of the given size, with the caller's one use.
CTSGDITexture* NewImage(INT width, INT height) {
  auto* image = new CTSGDITexture;
  EXPECT_TRUE(image->Allocate(width, height, TEXTURE_FORMAT_X1R5G5B5, 0));
  return image;
}

// The single rectangle an object reports, or a marker when it reports another count.
RECT OnlyDirtyRect(const CImageObject& object) {
  RECT out[3] = {{-9, -9, -9, -9}, {-9, -9, -9, -9}, {-9, -9, -9, -9}};
  INT count = object.GetDirtyRects(out, 3);
  EXPECT_EQ(out[1], (RECT{-9, -9, -9, -9})) << "wrote past the reported rectangles";
  return count == 1 ? out[0] : RECT{count, count, count, count};
}

RECT BoundRect(const CImageObject& object) {
  RECT out{-9, -9, -9, -9};
  return object.GetBoundRect(&out) ? out : RECT{-1, -1, -1, -1};
}

TEST(ImageObject, WithoutAnImageDrawsAndReportsNothing) {
  CSpriteRecorder device;
  CImageObject object;
  EXPECT_STREQ(object.GetClassName(), "TS_GUID_RENDER_TREE_OBJECT");
  EXPECT_TRUE(object.IsVisible());
  EXPECT_TRUE(object.IsUpdateEnabled());
  EXPECT_TRUE(object.AreChildrenEnabled());
  EXPECT_FALSE(object.IsDirty());
  EXPECT_EQ(OnlyDirtyRect(object), (RECT{0, 0, 0, 0}));
  EXPECT_EQ(BoundRect(object), (RECT{-1, -1, -1, -1}));

  object.SetPosition(5, -7);
  EXPECT_EQ(object.GetX(), 5);
  EXPECT_EQ(object.GetY(), -7);
  object.Draw(&device);
  EXPECT_TRUE(device.events.empty());
  EXPECT_FALSE(object.IsDirty());
}

TEST(ImageObject, ShowsTheWholeImageAtItsPosition) {
  CSpriteRecorder device;
  CTSUsePtr<CTSGDITexture> image(NewImage(30, 20));
  CImageObject object;
  object.SetPosition(5, 7);
  object.SetImage(image.Get());
  EXPECT_EQ(object.GetImage(), image.Get());
  EXPECT_TRUE(object.IsDirty());
  EXPECT_EQ(BoundRect(object), (RECT{5, 7, 35, 27}));
  EXPECT_EQ(OnlyDirtyRect(object), (RECT{5, 7, 35, 27}));
  // No room for a rectangle: none is written.
  RECT untouched{-9, -9, -9, -9};
  EXPECT_EQ(object.GetDirtyRects(&untouched, 0), 0);
  EXPECT_EQ(untouched, (RECT{-9, -9, -9, -9}));

  object.Draw(&device);
  EXPECT_FALSE(object.IsDirty());
  object.SetPosition(-3, 9);
  EXPECT_FALSE(object.IsDirty());
  EXPECT_EQ(BoundRect(object), (RECT{-3, 9, 27, 29}));
  object.Draw(&device);
  EXPECT_EQ(device.blts, (std::vector<BltCall>{{image.Get(), 5, 7}, {image.Get(), -3, 9}}));
  EXPECT_TRUE(device.sprites.empty());

  // The far edges stay within the 32-bit range.
  object.SetPosition(INT_MAX - 5, INT_MIN);
  EXPECT_EQ(BoundRect(object), (RECT{INT_MAX - 5, INT_MIN, INT_MAX, INT_MIN + 20}));
}

TEST(ImageObject, HoldsOneUseOfTheImageItShows) {
  CTSUsePtr<CTSGDITexture> first(NewImage(30, 20));
  CTSUsePtr<CTSGDITexture> second(NewImage(8, 4));
  CSpriteRecorder device;
  auto* object = new CSpriteObject;
  object->SetPosition(2, 3);
  object->SetImage(first.Get());
  EXPECT_EQ(first->GetUseCount(), 2);
  object->Draw(&device);

  // The image already held: no further use, no dirty mark.
  object->SetImage(first.Get());
  EXPECT_EQ(first->GetUseCount(), 2);
  EXPECT_FALSE(object->IsDirty());

  object->SetImage(second.Get());
  EXPECT_EQ(first->GetUseCount(), 1);
  EXPECT_EQ(second->GetUseCount(), 2);
  EXPECT_TRUE(object->IsDirty());
  EXPECT_EQ(BoundRect(*object), (RECT{2, 3, 10, 7}));
  object->Draw(&device);

  // Letting go of the image leaves a clean object with an empty place.
  object->SetImage(nullptr);
  EXPECT_EQ(second->GetUseCount(), 1);
  EXPECT_FALSE(object->IsDirty());
  EXPECT_EQ(BoundRect(*object), (RECT{-1, -1, -1, -1}));
  EXPECT_EQ(object->GetX(), 2);
  EXPECT_EQ(object->GetY(), 3);

  object->SetImage(first.Get());
  EXPECT_EQ(first->GetUseCount(), 2);
  object->Release();
  EXPECT_EQ(first->GetUseCount(), 1);
  EXPECT_EQ(second->GetUseCount(), 1);
}

TEST(SpriteObject, NegativeWidthAndHeightStandForTheImagesSize) {
  CSpriteRecorder device;
  CTSUsePtr<CTSGDITexture> image(NewImage(48, 32));
  CSpriteObject sprite;
  sprite.SetImage(image.Get());
  sprite.SetPosition(10, 20);
  EXPECT_EQ(OnlyDirtyRect(sprite), (RECT{10, 20, 58, 52}));
  EXPECT_EQ(BoundRect(sprite), (RECT{10, 20, 58, 52}));
  sprite.Draw(&device);
  ASSERT_EQ(device.sprites.size(), 1u);
  EXPECT_EQ(device.sprites[0],
            (SpriteCall{image.Get(), 10, 20, 0, 0, 48, 32, BLEND_ALPHA, FLIP_NONE, 0xFFFFFFFF}));

  // Any negative value does; the source offset does not shrink it.
  sprite.SetWidth(-7);
  sprite.SetHeight(5);
  sprite.SetSourceX(16);
  EXPECT_EQ(OnlyDirtyRect(sprite), (RECT{10, 20, 58, 25}));
  sprite.Draw(&device);
  ASSERT_EQ(device.sprites.size(), 2u);
  EXPECT_EQ(device.sprites[1],
            (SpriteCall{image.Get(), 10, 20, 16, 0, 48, 5, BLEND_ALPHA, FLIP_NONE, 0xFFFFFFFF}));
  // Drawing is all the sprite does on the device.
  EXPECT_EQ(device.events.size(), 2u);
  EXPECT_TRUE(device.blts.empty());
}

TEST(SpriteObject, PassesItsPartOfTheImageToDrawSprite) {
  CSpriteRecorder device;
  CTSUsePtr<CTSGDITexture> image(NewImage(64, 48));
  CSpriteObject sprite;
  sprite.SetImage(image.Get());
  sprite.SetPosition(-4, 250);
  sprite.SetSourceX(3);
  sprite.SetSourceY(5);
  sprite.SetWidth(7);
  sprite.SetHeight(9);
  sprite.SetBlendMode(BLEND_ADD);
  sprite.SetFlip(FLIP_VERTICAL);
  sprite.SetColor(0x80123456);
  sprite.Draw(&device);
  EXPECT_EQ(
      device.sprites,
      (std::vector<SpriteCall>{{image.Get(), -4, 250, 3, 5, 7, 9, BLEND_ADD, FLIP_VERTICAL, 0x80123456}}));
  // What it changes is the part drawn; what it covers at most is the image's size.
  EXPECT_EQ(OnlyDirtyRect(sprite), (RECT{-4, 250, 3, 259}));
  EXPECT_EQ(BoundRect(sprite), (RECT{-4, 250, 60, 298}));

  CSpriteObject empty;
  empty.SetWidth(7);
  empty.Draw(&device);
  EXPECT_EQ(device.sprites.size(), 1u);
  EXPECT_EQ(OnlyDirtyRect(empty), (RECT{0, 0, 0, 0}));
}

// One setter: the value a new sprite starts with, another value, and where
// that other value shows in the draw.
struct SetterCase {
  const char* name;
  std::function<void(CSpriteObject&)> setDefault;
  std::function<void(CSpriteObject&)> setOther;
  std::function<void(SpriteCall&)> expectOther;
};

TEST(SpriteObject, ASetterMarksTheSpriteDirtyOnlyWhenTheValueChanges) {
  CTSUsePtr<CTSGDITexture> image(NewImage(40, 30));
  const SpriteCall initial{image.Get(), 0, 0, 0, 0, 40, 30, BLEND_ALPHA, FLIP_NONE, 0xFFFFFFFF};
  const SetterCase cases[] = {
      {"SetBlendMode", [](CSpriteObject& s) { s.SetBlendMode(BLEND_ALPHA); },
       [](CSpriteObject& s) { s.SetBlendMode(BLEND_SUB); }, [](SpriteCall& c) { c.blendMode = BLEND_SUB; }},
      {"SetFlip", [](CSpriteObject& s) { s.SetFlip(FLIP_NONE); }, [](CSpriteObject& s) { s.SetFlip(3); },
       [](SpriteCall& c) { c.flipFlags = 3; }},
      {"SetSourceX", [](CSpriteObject& s) { s.SetSourceX(0); }, [](CSpriteObject& s) { s.SetSourceX(-2); },
       [](SpriteCall& c) { c.srcX = -2; }},
      {"SetSourceY", [](CSpriteObject& s) { s.SetSourceY(0); }, [](CSpriteObject& s) { s.SetSourceY(11); },
       [](SpriteCall& c) { c.srcY = 11; }},
      {"SetWidth", [](CSpriteObject& s) { s.SetWidth(-1); }, [](CSpriteObject& s) { s.SetWidth(40); },
       [](SpriteCall&) {}},  // the image's width spelt out: the same draw, but a change of value
      {"SetHeight", [](CSpriteObject& s) { s.SetHeight(-1); }, [](CSpriteObject& s) { s.SetHeight(0); },
       [](SpriteCall& c) { c.height = 0; }},
      // Alpha is part of the colour.
      {"SetColor", [](CSpriteObject& s) { s.SetColor(0xFFFFFFFF); },
       [](CSpriteObject& s) { s.SetColor(0xFEFFFFFF); }, [](SpriteCall& c) { c.color = 0xFEFFFFFF; }},
  };
  for (const SetterCase& setter : cases) {
    SCOPED_TRACE(setter.name);
    CSpriteRecorder device;
    CSpriteObject sprite;
    sprite.SetImage(image.Get());
    sprite.Draw(&device);
    ASSERT_FALSE(sprite.IsDirty());

    setter.setDefault(sprite);
    EXPECT_FALSE(sprite.IsDirty());
    setter.setOther(sprite);
    EXPECT_TRUE(sprite.IsDirty());
    // Queries leave it dirty; only a draw cleans it.
    RECT out[1];
    sprite.GetDirtyRects(out, 1);
    sprite.GetBoundRect(out);
    EXPECT_TRUE(sprite.IsDirty());
    sprite.Draw(&device);
    EXPECT_FALSE(sprite.IsDirty());
    setter.setOther(sprite);
    EXPECT_FALSE(sprite.IsDirty());
    setter.setDefault(sprite);
    EXPECT_TRUE(sprite.IsDirty());

    SpriteCall other = initial;
    setter.expectOther(other);
    ASSERT_EQ(device.sprites.size(), 2u);
    EXPECT_EQ(device.sprites[0], initial);
    EXPECT_EQ(device.sprites[1], other);
  }
}

// The demo's four sprites over its 640 x 480 logo, built with the calls the
// game makes, in its order.
struct DemoScene {
  CTSUsePtr<CTSGDITexture> logo{NewImage(640, 480)};
  CTSRenderTree* tree = new CTSRenderTree(128, true);
  CSpriteObject* sprites[4] = {new CSpriteObject, new CSpriteObject, new CSpriteObject, new CSpriteObject};

  DemoScene() {
    CTSRenderTreeObject* root = tree->GetRoot();
    CSpriteObject* s = sprites[0];
    s->SetImage(logo.Get());
    s->SetWidth(logo->GetWidth());
    s->SetHeight(logo->GetHeight());
    root->AddChild(s, nullptr, nullptr);
    s->SetColor(0xFFFFFFFF);

    for (int i = 1; i < 4; ++i) {
      s = sprites[i];
      s->SetImage(logo.Get());
      root->AddChild(s, nullptr, nullptr);
      s->SetColor(0xFF00FF00);
      s->SetWidth(200);
      s->SetHeight(200);
      s->SetSourceX(0);
      s->SetSourceY(0);
      if (i == 2) {
        s->SetFlip(1);
        s->SetColor(0xFFFF00FF);
        s->SetBlendMode(1);
      } else if (i == 3) {
        s->SetFlip(3);
        s->SetColor(0xFF00FF00);
        s->SetBlendMode(1);
      }
      const POINT positions[4] = {{0, 0}, {100, 100}, {400, 100}, {400, 200}};
      s->SetPosition(positions[i].x, positions[i].y);
    }
  }
  ~DemoScene() {
    if (tree != nullptr) tree->Release();
  }
};

TEST(DemoScene, TheFourSpritesAsBuilt) {
  DemoScene scene;
  EXPECT_EQ(scene.logo->GetUseCount(), 5);
  scene.tree->Update();

  // Each is dirty from its SetImage; each reports the part it draws and is
  // bounded by the logo's size at its position.
  const RECT drawn[4] = {{0, 0, 640, 480}, {100, 100, 300, 300}, {400, 100, 600, 300}, {400, 200, 600, 400}};
  const RECT bounds[4] = {
      {0, 0, 640, 480}, {100, 100, 740, 580}, {400, 100, 1040, 580}, {400, 200, 1040, 680}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_TRUE(scene.sprites[i]->IsDirty());
    EXPECT_EQ(OnlyDirtyRect(*scene.sprites[i]), drawn[i]);
    EXPECT_EQ(BoundRect(*scene.sprites[i]), bounds[i]);
  }

  CSpriteRecorder device;
  scene.tree->Render(&device);
  CTSTexture* logo = scene.logo.Get();
  EXPECT_EQ(device.sprites, (std::vector<SpriteCall>{
                                {logo, 0, 0, 0, 0, 640, 480, BLEND_ALPHA, 0, 0xFFFFFFFF},
                                {logo, 100, 100, 0, 0, 200, 200, BLEND_ALPHA, 0, 0xFF00FF00},
                                {logo, 400, 100, 0, 0, 200, 200, BLEND_ALPHA, 1, 0xFFFF00FF},
                                {logo, 400, 200, 0, 0, 200, 200, BLEND_ALPHA, 3, 0xFF00FF00},
                            }));
  RECT dirtyBounds;
  EXPECT_EQ(*scene.tree->GetDirtyBounds(&dirtyBounds), (RECT{0, 0, 640, 480}));
  for (CSpriteObject* sprite : scene.sprites) EXPECT_FALSE(sprite->IsDirty());
}

TEST(DemoScene, AnAnimationFrameRepaintsWhatTheAnimatedSpritesCover) {
  DemoScene scene;
  CSpriteRecorder device;
  scene.tree->Update();
  scene.tree->Render(&device);

  // The game's animation: sprite 2 white and sprite 4 green, both with the
  // pulsing alpha; the others are set to what they have.
  scene.sprites[1]->SetColor(0x80FFFFFF);
  scene.sprites[3]->SetColor(0x8000FF00);
  scene.sprites[0]->SetColor(0xFFFFFFFF);
  scene.sprites[2]->SetColor(0xFFFF00FF);
  EXPECT_FALSE(scene.sprites[0]->IsDirty());
  EXPECT_FALSE(scene.sprites[2]->IsDirty());

  device.events.clear();
  scene.tree->Update();
  scene.tree->Render(&device);
  RECT dirtyBounds;
  EXPECT_EQ(*scene.tree->GetDirtyBounds(&dirtyBounds), (RECT{100, 100, 600, 400}));
  const RECT sprite2{100, 100, 300, 300};
  const RECT sprite4{400, 200, 600, 400};
  EXPECT_EQ(
      device.Only(TSDeviceEvent::kClear),
      (std::vector<TSDeviceEvent>{{TSDeviceEvent::kClear, 0, sprite2}, {TSDeviceEvent::kClear, 0, sprite4}}));
  // The background within both cleared parts, the animated sprites within
  // their bounds on screen, sprite 3 where sprite 4 overlaps it.
  EXPECT_EQ(device.Only(TSDeviceEvent::kDraw), (std::vector<TSDeviceEvent>{
                                                   {TSDeviceEvent::kDraw, 0xFFFFFFFF, sprite2},
                                                   {TSDeviceEvent::kDraw, 0xFFFFFFFF, sprite4},
                                                   {TSDeviceEvent::kDraw, 0x80FFFFFF, {100, 100, 640, 480}},
                                                   {TSDeviceEvent::kDraw, 0xFFFF00FF, sprite4},
                                                   {TSDeviceEvent::kDraw, 0x8000FF00, {400, 200, 640, 480}},
                                               }));
}

TEST(DemoScene, TheTreeReleasesTheSpritesAndTheirUsesOfTheLogo) {
  DemoScene scene;
  scene.tree->Update();
  EXPECT_EQ(scene.logo->GetUseCount(), 5);
  scene.tree->Release();
  scene.tree = nullptr;
  EXPECT_EQ(scene.logo->GetUseCount(), 1);
}

}  // namespace
