// Decodes arbitrary bytes with one image codec (DIB_FUZZ_FORMAT, a format id;
// 0 detects), then reads every pixel and encodes the picture again in every
// format that can be written. The dimensions are read first, so that
// oversized pictures can be passed over.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "engine/image/codec/DibImage.h"
#include "engine/image/codec/DibMemFile.h"

// Pictures above this many pixels are legal up to the memory cap, but a
// fuzzer that allocates and fills them runs a few inputs a second.
constexpr uint64_t kMaxPixels = 1u << 18;
// Pixels and encoding are checked on the smaller pictures only.
constexpr uint64_t kMaxCheckedPixels = 1u << 16;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The decoders only read: nothing is written through the cast-away const.
  CDibMemFile file(const_cast<uint8_t*>(data), size);
  CDibImage image;
  image.SetEscape(-1);
  if (!image.Decode(&file, DIB_FUZZ_FORMAT) &&
      static_cast<uint64_t>(image.GetWidth()) * image.GetHeight() > kMaxPixels)
    return 0;
  image.SetEscape(0);
  file.Seek(0, 0);
  if (!image.Decode(&file, DIB_FUZZ_FORMAT)) {
    if (image.GetLastError()[0] == '\0' || image.IsValid()) __builtin_trap();  // a failure always says why
    return 0;
  }
  if (image.GetWidth() == 0 || image.GetHeight() == 0) __builtin_trap();
  if (static_cast<uint64_t>(image.GetWidth()) * image.GetHeight() > kMaxCheckedPixels) return 0;
  for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) image.ReadPixel(x, y, true);
  }
  const WORD bits = image.GetBitsPerPixel();
  // GIF, TGA and PCX store the size in 16 bits; JPEG takes up to 65500.
  const bool tooWide = image.GetWidth() > 65500 || image.GetHeight() > 65500;
  for (DWORD format = CDibImage::FORMAT_BMP; format < CDibImage::FORMAT_WMF; ++format) {
    CDibMemFile out;
    if (!out.Open()) return 0;
    bool encoded = image.Encode(&out, format);
    // Encoders refuse only what their format cannot hold.
    bool mayRefuse = (format == CDibImage::FORMAT_JPG && bits != 24) ||
                     (format == CDibImage::FORMAT_TGA && bits < 8) ||
                     (format == CDibImage::FORMAT_ICO && (image.GetWidth() > 256 || image.GetHeight() > 256)) ||
                     (format == CDibImage::FORMAT_WBMP && bits != 1) ||
                     (format != CDibImage::FORMAT_BMP && format != CDibImage::FORMAT_PNG && tooWide);
    if (!encoded && !mayRefuse) __builtin_trap();
  }
  return 0;
}
