// The metafile codec: placeable and plain Windows metafiles and enhanced
// metafiles, played through the platform's metafile and device-context
// functions into a white 24-bit picture. Saving is not supported.
//
// A file that is not a metafile, or whose header claims more bytes than the
// file holds, is "corrupted WMF"; a metafile whose first record is its end is
// "empty WMF". Records past a record that claims more than remains are not
// played. A plain Windows metafile takes its size from its first window
// extent, one logical unit a pixel; without one it has no size and is
// "corrupted WMF".
#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/image/codec/DibBytes.h"
#include "engine/image/codec/DibImage.h"

namespace {

constexpr long kMaxFileSize = 16 << 20;
constexpr DWORD kMaxSide = 4096;
constexpr DWORD kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeaderSize = 22;
constexpr size_t kWindowsHeaderSize = 18;
constexpr size_t kEnhancedHeaderSize = 88;
constexpr DWORD kEnhancedEof = 14;
constexpr double kPixelsPerInch = 96;
constexpr double kHundredthsMmPerInch = 2540;
constexpr WORD kSetWindowExt = 0x020C;

bool IsWindowsHeader(const BYTE* data, size_t size) {
  if (size < kWindowsHeaderSize) return false;
  WORD type = Le16(data), headerWords = Le16(data + 2), version = Le16(data + 4);
  return (type == 1 || type == 2) && headerWords == kWindowsHeaderSize / 2 &&
         (version == 0x0100 || version == 0x0300);
}

bool IsEnhancedHeader(const BYTE* data, size_t size) {
  return size >= kEnhancedHeaderSize && Le32(data) == EMR_HEADER && Le32(data + 40) == ENHMETA_SIGNATURE;
}

// The first non-zero window extent of a plain metafile whose header sizes lie
// within its bytes, as positive x and y; zero without one. The decoder sizes
// the picture from it itself, since Windows sizes a metafile given no picture
// size to its reference screen.
std::pair<int64_t, int64_t> FirstWindowExtent(const BYTE* data) {
  size_t end = Le32(data + 6) * size_t{2};
  for (size_t at = kWindowsHeaderSize; at + 6 <= end;) {
    DWORD words = Le32(data + at);
    WORD function = Le16(data + at + 4);
    if (function == 0 || words < 3 || words > (end - at) / 2) break;
    int16_t y = words >= 5 ? static_cast<int16_t>(Le16(data + at + 6)) : 0;
    int16_t x = words >= 5 ? static_cast<int16_t>(Le16(data + at + 8)) : 0;
    if (function == kSetWindowExt && x != 0 && y != 0) return {std::abs(x), std::abs(y)};
    at += words * size_t{2};
  }
  return {0, 0};
}

enum class FirstRecord { kDrawing, kEnd, kBroken };

// What follows the header of a metafile the platform accepted (so the sizes
// its header gives are within `size`).
FirstRecord FirstWindowsRecord(const BYTE* data) {
  size_t end = Le32(data + 6) * size_t{2};
  if (end - kWindowsHeaderSize < 6 || Le16(data + kWindowsHeaderSize + 4) == 0) return FirstRecord::kEnd;
  DWORD words = Le32(data + kWindowsHeaderSize);
  return words < 3 || words > (end - kWindowsHeaderSize) / 2 ? FirstRecord::kBroken : FirstRecord::kDrawing;
}

FirstRecord FirstEnhancedRecord(const BYTE* data) {
  size_t at = Le32(data + 4), end = Le32(data + 48);
  if (end - at < 8 || Le32(data + at) == kEnhancedEof) return FirstRecord::kEnd;
  DWORD length = Le32(data + at + 4);
  return length < 8 || length % 4 != 0 || length > end - at ? FirstRecord::kBroken : FirstRecord::kDrawing;
}

// Every GDI object of one playback, released in reverse order of making.
class Playback {
 public:
  Playback(HENHMETAFILE metafile, int width, int height) : m_metafile(metafile) {
    HDC screen = GetDC(nullptr);
    m_dc = CreateCompatibleDC(screen);
    m_bitmap = CreateCompatibleBitmap(screen, width, height);
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    // A 6 x 6 x 6 colour cube, for displays that map colours through one.
    std::vector<BYTE> block(sizeof(LOGPALETTE) + 215 * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = 216;
    for (int i = 0; i < 216; ++i) {
      palette->palPalEntry[i] =
          PALETTEENTRY{static_cast<BYTE>(i / 36 * 51), static_cast<BYTE>(i / 6 % 6 * 51),
                       static_cast<BYTE>(i % 6 * 51), 0};
    }
    m_palette = CreatePalette(palette);
    if (m_dc == nullptr || m_bitmap == nullptr || m_palette == nullptr) return;
    m_oldBitmap = SelectObject(m_dc, m_bitmap);
    m_oldPalette = SelectPalette(m_dc, m_palette, FALSE);
    if (m_oldBitmap != nullptr && m_oldPalette != nullptr) RealizePalette(m_dc);
  }
  ~Playback() {
    if (m_oldPalette != nullptr) SelectPalette(m_dc, m_oldPalette, FALSE);
    if (m_oldBitmap != nullptr) SelectObject(m_dc, m_oldBitmap);
    if (m_dc != nullptr) DeleteDC(m_dc);
    if (m_bitmap != nullptr) DeleteObject(m_bitmap);
    if (m_palette != nullptr) DeleteObject(m_palette);
    DeleteEnhMetaFile(m_metafile);
  }
  Playback(const Playback&) = delete;
  Playback& operator=(const Playback&) = delete;

  // Plays onto white and copies the bottom-up rows (24 bits, padded to 4
  // bytes) into `rows`.
  bool Play(int width, int height, BYTE* rows) {
    if (m_oldBitmap == nullptr || m_oldPalette == nullptr) return false;
    RECT area = {0, 0, width, height};
    if (!PatBlt(m_dc, 0, 0, width, height, WHITENESS) || !PlayEnhMetaFile(m_dc, m_metafile, &area))
      return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return GetDIBits(m_dc, m_bitmap, 0, height, rows, &info, DIB_RGB_COLORS) == height;
  }

 private:
  HENHMETAFILE m_metafile;
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HPALETTE m_palette = nullptr;
  HGDIOBJ m_oldBitmap = nullptr;
  HPALETTE m_oldPalette = nullptr;
};

// 0.01 mm to 96-dpi pixels.
int64_t FrameToPixels(int64_t hundredthsMm) {
  return std::llround(static_cast<double>(hundredthsMm) * kPixelsPerInch / kHundredthsMmPerInch);
}

}  // namespace

bool CDibImage::DecodeWmf(CDibFile* file) {
  long start = file->Tell(), size = file->Size();
  // A memory file without a buffer gives -1 for both: no bytes either.
  if (size <= start || start < 0) return Fail(size == start ? "empty WMF" : "corrupted WMF");
  if (size - start > kMaxFileSize) return Fail("corrupted WMF");
  std::vector<BYTE> data(static_cast<size_t>(size - start));
  if (file->Read(data.data(), data.size(), 1) != 1) return Fail("corrupted WMF");

  // The kind of metafile, and for a placeable one its size.
  const BYTE* bytes = data.data();
  size_t length = data.size();
  int64_t width = 0, height = 0;
  METAFILEPICT picture = {MM_ANISOTROPIC, 0, 0, nullptr};
  bool placeable = length >= kPlaceableHeaderSize && Le32(bytes) == kPlaceableKey;
  if (placeable) {
    int64_t unitsX = std::abs(static_cast<int16_t>(Le16(bytes + 10)) - static_cast<int16_t>(Le16(bytes + 6)));
    int64_t unitsY = std::abs(static_cast<int16_t>(Le16(bytes + 12)) - static_cast<int16_t>(Le16(bytes + 8)));
    WORD unitsPerInch = Le16(bytes + 14);
    if (unitsPerInch == 0) return Fail("corrupted WMF");
    width = std::llround(unitsX * kPixelsPerInch / unitsPerInch);
    height = std::llround(unitsY * kPixelsPerInch / unitsPerInch);
    picture.xExt = static_cast<LONG>(std::llround(unitsX * kHundredthsMmPerInch / unitsPerInch));
    picture.yExt = static_cast<LONG>(std::llround(unitsY * kHundredthsMmPerInch / unitsPerInch));
    bytes += kPlaceableHeaderSize;
    length -= kPlaceableHeaderSize;
    if (width <= 0 || height <= 0 || !IsWindowsHeader(bytes, length)) return Fail("corrupted WMF");
  }
  bool windows = IsWindowsHeader(bytes, length);
  if (!windows && !IsEnhancedHeader(bytes, length)) return Fail("corrupted WMF");
  // A plain metafile is one logical unit a pixel, as big as its first window extent.
  if (windows && !placeable && Le32(bytes + 6) <= length / 2) {
    std::tie(width, height) = FirstWindowExtent(bytes);
    picture.xExt = static_cast<LONG>(std::llround(width * kHundredthsMmPerInch / kPixelsPerInch));
    picture.yExt = static_cast<LONG>(std::llround(height * kHundredthsMmPerInch / kPixelsPerInch));
  }
  HENHMETAFILE metafile =
      windows ? SetWinMetaFileBits(static_cast<UINT>(length), bytes, nullptr, width > 0 ? &picture : nullptr)
              : SetEnhMetaFileBits(static_cast<UINT>(length), bytes);
  if (metafile == nullptr) return Fail("corrupted WMF");
  FirstRecord first = windows ? FirstWindowsRecord(bytes) : FirstEnhancedRecord(bytes);
  ENHMETAHEADER header = {};
  // Windows copies only as much header as the file holds: 88 bytes in the first form.
  bool sized = GetEnhMetaFileHeader(metafile, sizeof(header), &header) >= kEnhancedHeaderSize;
  if (!windows && sized) {
    const RECTL& frame = header.rclFrame;
    width = FrameToPixels(static_cast<int64_t>(frame.right) - frame.left);
    height = FrameToPixels(static_cast<int64_t>(frame.bottom) - frame.top);
    if (width <= 0 || height <= 0) {
      width = static_cast<int64_t>(header.rclBounds.right) - header.rclBounds.left + 1;
      height = static_cast<int64_t>(header.rclBounds.bottom) - header.rclBounds.top + 1;
    }
  }
  if (first != FirstRecord::kDrawing || !sized || width <= 0 || height <= 0) {
    DeleteEnhMetaFile(metafile);
    return Fail(first == FirstRecord::kEnd ? "empty WMF" : "corrupted WMF");
  }
  // Large pictures are scaled down to the cap, keeping their aspect.
  if (width > kMaxSide || height > kMaxSide) {
    double scale = static_cast<double>(kMaxSide) / std::max(width, height);
    width = std::clamp<int64_t>(std::llround(width * scale), 1, kMaxSide);
    height = std::clamp<int64_t>(std::llround(height * scale), 1, kMaxSide);
  }
  if (m_info.escape == -1) {
    DeleteEnhMetaFile(metafile);
    m_header.biWidth = static_cast<LONG>(width);
    m_header.biHeight = static_cast<LONG>(height);
    return Fail("output dimensions returned");
  }
  if (Cancelled()) {
    DeleteEnhMetaFile(metafile);
    return Fail("Cancelled");
  }
  if (Create(static_cast<DWORD>(width), static_cast<DWORD>(height), 24, FORMAT_WMF) == nullptr) {
    DeleteEnhMetaFile(metafile);
    return false;
  }
  Playback playback(metafile, static_cast<int>(width), static_cast<int>(height));
  if (!playback.Play(static_cast<int>(width), static_cast<int>(height), m_info.bits)) {
    Destroy();
    return Fail("corrupted WMF");
  }
  return true;
}

bool CDibImage::EncodeWmf(CDibFile* file) {
  (void)file;
  return Fail("Save WMF not supported");
}
