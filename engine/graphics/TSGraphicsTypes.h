// Values that travel with draws from the scene to the devices, and the lock
// record through which a texture's or render target's pixels are reached.
#pragma once

#include "platform/Windows.h"

// How a sprite draw combines the source with the destination.
typedef DWORD BlendMode;
constexpr BlendMode BLEND_NORMAL = 0;
constexpr BlendMode BLEND_ALPHA = 1;
constexpr BlendMode BLEND_ADD = 2;
constexpr BlendMode BLEND_SUB = 3;

// Mirrors of a sprite draw; both bits together turn it half round.
typedef DWORD FlipFlags;
constexpr FlipFlags FLIP_NONE = 0;
constexpr FlipFlags FLIP_HORIZONTAL = 1;
constexpr FlipFlags FLIP_VERTICAL = 2;

// Texture format codes.
constexpr INT TEXTURE_FORMAT_A8R8G8B8 = 0;
constexpr INT TEXTURE_FORMAT_A1R5G5B5 = 1;
constexpr INT TEXTURE_FORMAT_A4R4G4B4 = 2;
constexpr INT TEXTURE_FORMAT_X1R5G5B5_ALPHA8 = 3;  // software: pixels plus an alpha plane
constexpr INT TEXTURE_FORMAT_X1R5G5B5 = 4;         // software: pixels only

// Render target format codes.
constexpr INT TARGET_FORMAT_X8R8G8B8 = 256;
constexpr INT TARGET_FORMAT_X1R5G5B5 = 257;
constexpr INT TARGET_FORMAT_R5G6B5 = 258;

// A point of a DrawPoints list.
struct TSPoint {
  INT x;
  INT y;
};

// Filled by Lock, valid until Unlock.
struct TSLockInfo {
  LONG pitch;       // bytes from one pixel row to the next
  LONG alphaPitch;  // bytes from one alpha row to the next; 0 without an alpha plane
  LONG format;      // texture or render target format code
  void* bits;       // first byte of pixel row 0
  BYTE* alphaBits;  // first byte of alpha row 0, or null
};
