// Scaled and rotated sprite drawing on the software render target.
#pragma once

#include "engine/graphics/software/TSGDIRenderTarget.h"

// Draws the texture's rectangle (srcX, srcY, srcW, srcH) scaled by (scaleX,
// scaleY) and turned by angle (radians), centred on (x, y), with the blend
// modes, flips and colour of DrawSprite, within the target's clip rectangle.
// Unturned and unscaled, it is DrawSprite at (x - srcW / 2, y - srcH / 2).
// Unturned, a nearest-neighbour scaler steps through the source in 20.12
// fixed point; turned, every pixel of the destination box is mapped back
// into the source in 16.16 fixed point. Nothing is drawn for scales that are
// not positive finite numbers, a non-finite angle, a texture that is not a
// software texture, or (turned) sizes whose fixed-point arithmetic would
// leave 32 bits.
void DrawSpriteTransformed(CTSGDIRenderTarget& target, CTSTexture* texture, INT x, INT y, INT srcX, INT srcY,
                           INT srcW, INT srcH, float scaleX, float scaleY, float angle, BlendMode mode,
                           FlipFlags flip, const CTSColor& color);
