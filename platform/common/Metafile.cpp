// Metafile handles: the bytes of a Windows or an enhanced metafile, the header
// that describes them, and their playback into a device context.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/common/MetafilePlayer.h"

namespace {

WORD Le16(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }
DWORD Le32(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24; }

constexpr size_t kEnhancedBaseHeaderSize = 88;
constexpr double kHundredthsMmPerPixel = 2540.0 / 96;  // at 96 dpi

struct Metafile {
  std::vector<BYTE> bytes;
  bool windows = false;
  ENHMETAHEADER header = {};
  Gdi::LogicalWindow window;  // Windows metafiles only
};

// Live handles outlive every static object, as device contexts do.
std::vector<std::unique_ptr<Metafile>>& Metafiles() {
  static auto* metafiles = new std::vector<std::unique_ptr<Metafile>>;
  return *metafiles;
}

Metafile* Find(HENHMETAFILE handle) {
  for (auto& metafile : Metafiles())
    if (reinterpret_cast<HENHMETAFILE>(metafile.get()) == handle) return metafile.get();
  return nullptr;
}

HENHMETAFILE Keep(std::unique_ptr<Metafile> metafile) {
  Metafiles().push_back(std::move(metafile));
  return reinterpret_cast<HENHMETAFILE>(Metafiles().back().get());
}

}  // namespace

HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* bits, HDC refDc, const METAFILEPICT* picture) {
  (void)refDc;
  if (bits == nullptr || size < Gdi::kWindowsHeaderSize) return nullptr;
  WORD type = Le16(bits), headerWords = Le16(bits + 2), version = Le16(bits + 4);
  DWORD words = Le32(bits + 6);
  if ((type != 1 && type != 2) || headerWords != Gdi::kWindowsHeaderSize / 2 ||
      (version != 0x0100 && version != 0x0300))
    return nullptr;
  // The whole metafile, as its header gives its size, must be there.
  if (words < headerWords || words > size / 2) return nullptr;

  auto metafile = std::make_unique<Metafile>();
  metafile->windows = true;
  metafile->bytes.assign(bits, bits + words * size_t{2});
  metafile->window = Gdi::FirstWindow(metafile->bytes.data(), metafile->bytes.size());

  // The picture's size in 0.01 mm and in 96-dpi pixels.
  LONG frameX = 0, frameY = 0;
  if (picture != nullptr && (picture->mm == MM_ANISOTROPIC || picture->mm == MM_ISOTROPIC) &&
      picture->xExt > 0 && picture->yExt > 0) {
    frameX = picture->xExt;
    frameY = picture->yExt;
  } else if (metafile->window.extX != 0) {
    frameX = std::lround(std::abs(metafile->window.extX) * kHundredthsMmPerPixel);
    frameY = std::lround(std::abs(metafile->window.extY) * kHundredthsMmPerPixel);
  }
  LONG pixelsX = std::lround(frameX / kHundredthsMmPerPixel),
       pixelsY = std::lround(frameY / kHundredthsMmPerPixel);
  // Without a window record the logical units are those pixels.
  if (metafile->window.extX == 0) metafile->window = Gdi::LogicalWindow{0, 0, pixelsX, pixelsY};

  DWORD records = 2;  // the header and the end
  for (size_t at = Gdi::kWindowsHeaderSize; metafile->bytes.size() - at >= 6;) {
    DWORD length = Le32(&metafile->bytes[at]);
    if (length < 3 || length > (metafile->bytes.size() - at) / 2 || Le16(&metafile->bytes[at + 4]) == 0)
      break;
    ++records;
    at += length * size_t{2};
  }
  ENHMETAHEADER& header = metafile->header;
  header.iType = EMR_HEADER;
  header.nSize = sizeof(ENHMETAHEADER);
  header.rclBounds = RECTL{0, 0, pixelsX - 1, pixelsY - 1};
  header.rclFrame = RECTL{0, 0, frameX, frameY};
  header.dSignature = ENHMETA_SIGNATURE;
  header.nVersion = 0x10000;
  header.nBytes = static_cast<DWORD>(metafile->bytes.size());
  header.nRecords = records;
  header.nHandles = static_cast<WORD>(std::min<DWORD>(Le16(bits + 10) + 1u, 0xFFFF));
  // A 96-dpi reference device.
  header.szlDevice = SIZE{960, 960};
  header.szlMillimeters = SIZE{254, 254};
  return Keep(std::move(metafile));
}

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* bits) {
  if (bits == nullptr || size < kEnhancedBaseHeaderSize) return nullptr;
  DWORD type = Le32(bits), headerSize = Le32(bits + 4), signature = Le32(bits + 40), bytes = Le32(bits + 48);
  if (type != EMR_HEADER || signature != ENHMETA_SIGNATURE || headerSize < kEnhancedBaseHeaderSize ||
      headerSize % 4 != 0 || bytes < headerSize || bytes > size)
    return nullptr;
  auto metafile = std::make_unique<Metafile>();
  metafile->bytes.assign(bits, bits + bytes);
  memcpy(&metafile->header, bits, std::min<size_t>(headerSize, sizeof(ENHMETAHEADER)));
  return Keep(std::move(metafile));
}

UINT GetEnhMetaFileHeader(HENHMETAFILE handle, UINT size, ENHMETAHEADER* header) {
  Metafile* metafile = Find(handle);
  if (metafile == nullptr) return 0;
  if (header == nullptr) return sizeof(ENHMETAHEADER);
  UINT copied = std::min<UINT>(size, sizeof(ENHMETAHEADER));
  memcpy(header, &metafile->header, copied);
  return copied;
}

BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE handle, const RECT* rect) {
  Metafile* metafile = Find(handle);
  Gdi::Canvas canvas;
  if (metafile == nullptr || rect == nullptr || !Gdi::GetCanvas(dc, &canvas)) return FALSE;
  if (metafile->windows)
    Gdi::PlayWindowsRecords(metafile->bytes.data(), metafile->bytes.size(), metafile->window, canvas, *rect);
  else
    Gdi::PlayEnhancedRecords(metafile->bytes.data(), metafile->bytes.size(), canvas, *rect);
  return TRUE;
}

BOOL DeleteEnhMetaFile(HENHMETAFILE handle) {
  Metafile* metafile = Find(handle);
  if (metafile == nullptr) return FALSE;
  std::erase_if(Metafiles(), [&](auto& entry) { return entry.get() == metafile; });
  return TRUE;
}
