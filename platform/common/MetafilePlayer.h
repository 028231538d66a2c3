// Playing metafile records into a canvas: the records of ordinary clip art
// (pens, brushes, lines, polygons, rectangles, ellipses, the window and
// viewport), both Windows metafile records and enhanced ones. Other records are
// passed over by their length; a record longer than what remains ends the
// playback, and a record whose fields do not fit its own length, or that names
// an object index outside the table, is passed over.
#pragma once

#include <cstddef>

#include "platform/common/Canvas.h"

namespace Gdi {

constexpr size_t kWindowsHeaderSize = 18;  // bytes, before the first record

// A Windows metafile's logical window; an extent of 0 is unset.
struct LogicalWindow {
  LONG orgX = 0;
  LONG orgY = 0;
  LONG extX = 0;
  LONG extY = 0;
};

// The first window origin and extent the records of a Windows metafile set.
LogicalWindow FirstWindow(const BYTE* data, size_t size);

// `data` holds a whole Windows metafile (header first); `window` is where the
// picture's logical window starts, mapped onto `rect`.
void PlayWindowsRecords(const BYTE* data, size_t size, const LogicalWindow& window, const Canvas& canvas,
                        const RECT& rect);

// `data` holds a whole enhanced metafile (header record first); its frame is
// mapped onto `rect`.
void PlayEnhancedRecords(const BYTE* data, size_t size, const Canvas& canvas, const RECT& rect);

}  // namespace Gdi
