// The starter game: one window with the software device, a sprite that the
// arrow keys move, a line of text, and Escape to quit. It reads "sprite.png"
// and "Font\starter16.gfxFont" from the current folder.
#pragma once

#include "engine/graphics/TSGraphics.h"
#include "engine/image/TSImageManager.h"
#include "engine/scene/TSRenderTree.h"
#include "platform/Windows.h"

class StarterSprite;

class StarterGame {
 public:
  static constexpr INT kWidth = 320;
  static constexpr INT kHeight = 240;
  // How far one arrow key press moves the sprite, in pixels.
  static constexpr INT kStep = 8;

  StarterGame() = default;
  StarterGame(const StarterGame&) = delete;
  StarterGame& operator=(const StarterGame&) = delete;
  // Gives up the scene, the textures and the device, then the window.
  ~StarterGame();

  // Opens the window, creates the device and the scene; false, with the
  // reason on standard error, when one of them cannot be had.
  bool Open();
  // Handles the waiting messages, then draws and presents one frame. False
  // once the window was closed.
  bool Frame();
  // Saves the back buffer as a .png file, or a .bmp file for any other name.
  bool SaveScreenshot(const char* path) const;
  HWND GetWindow() const { return m_window; }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnKeyDown(WPARAM key);

  HWND m_window = nullptr;
  CTSGraphics* m_device = nullptr;      // one use held
  CTSImageManager* m_images = nullptr;  // owns the textures it made
  CTSRenderTree* m_tree = nullptr;      // one use held; owns the scene objects
  StarterSprite* m_sprite = nullptr;    // a child of the tree's root
  bool m_running = false;
};
