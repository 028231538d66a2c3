// Rectangle arithmetic that clips every blit before a pixel is touched.
// Rectangles have exclusive right and bottom edges.
#pragma once

#include "platform/Windows.h"

// out = a clipped to b; a null a gives b. Never inverted: disjoint rectangles
// give zero width or height.
void IntersectRectClamped(RECT* out, const RECT* a, const RECT& b);

// out = r clipped to (0, 0, width, height); a null r gives the whole surface.
void ClampRectToSurface(RECT* out, const RECT* r, LONG width, LONG height);

// Clips an unscaled blit of the source rectangle (srcX, srcY, width, height)
// drawn at (dstX, dstY): first the source to its bounds (the destination
// origin stays put), then the destination to the clip, moving the matching
// source edges along. False, with the outputs untouched, when width or height
// is below 1. The outputs may come back empty or inverted: callers draw
// nothing when the source's width or height is below 1.
bool ClipBlitRects(const RECT& clip, const RECT& srcBounds, LONG dstX, LONG dstY, LONG srcX, LONG srcY,
                   LONG width, LONG height, RECT* srcOut, RECT* dstOut);

// The same for a blit scaled by (scaleX, scaleY) whose centre lands on
// (centreX, centreY); clipped edges move the source by the clipped distance
// divided by the scale. False also when a scale is not a positive number.
bool ClipScaledBlitRects(const RECT& clip, const RECT& srcBounds, LONG centreX, LONG centreY, LONG srcX,
                         LONG srcY, LONG width, LONG height, float scaleX, float scaleY, RECT* srcOut,
                         RECT* dstOut);

// Size of a width x height rectangle turned by angle (radians) about its top
// left corner, in 16.16 fixed point, plus a margin of two pixels; minX and
// minY (either may be null) receive the smallest corner offsets.
void GetRotatedBounds(LONG width, LONG height, LONG* outWidth, LONG* outHeight, float angle, LONG* minX,
                      LONG* minY);
