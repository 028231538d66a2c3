// The starter game driven as a player would: the arrow keys move the sprite,
// as the saved frames' pixels show, and Escape ends the game.
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "StarterGame.h"
#include "engine/image/TSImage.h"
#include "tests/common/TempFolder.h"
#include "tests/common/TestEvents.h"

namespace {

// The scan-order index of the sprite's first opaque orange pixel, and how many
// such pixels there are, in a frame saved as PNG.
std::pair<INT, INT> FindSprite(const StarterGame& game) {
  EXPECT_TRUE(game.SaveScreenshot("frame.png"));
  CTSUsePtr<CTSImage> image(new CTSImage);
  CTSUsePtr<CTSIOStream> file(new CTSIOStream("frame.png", CTSIOStream::kRead, false));
  EXPECT_TRUE(image->Load(file.Get(), IMAGE_FORMAT_PNG));
  std::pair<INT, INT> found{-1, 0};
  for (INT i = 0; i < image->GetWidth() * image->GetHeight(); ++i) {
    DWORD rgb = image->GetScanline(i / image->GetWidth())[i % image->GetWidth()].GetARGB() & 0xF0F0F0;
    if (rgb == 0xF09000 && found.second++ == 0) found.first = i;
  }
  return found;
}

}  // namespace

TEST(StarterTest, ArrowKeysMoveTheSpriteAndEscapeQuits) {
  std::filesystem::current_path(STARTER_DATA_DIR);
  StarterGame game;
  ASSERT_TRUE(game.Open());
  TempFolder folder;
  ASSERT_TRUE(game.Frame());
  std::pair<INT, INT> start = FindSprite(game);
  for (SDL_Keycode key : {SDLK_RIGHT, SDLK_UP}) TestEvents::PressKey(game.GetWindow(), key, 0);
  ASSERT_TRUE(game.Frame());
  // One step right and one up; nothing orange is left where it was.
  std::pair<INT, INT> expected{start.first + StarterGame::kStep * (1 - StarterGame::kWidth), start.second};
  EXPECT_EQ(FindSprite(game), expected);
  TestEvents::PressKey(game.GetWindow(), SDLK_ESCAPE, 0);
  EXPECT_FALSE(game.Frame());
}
