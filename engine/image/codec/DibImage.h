// The in-memory picture every image file passes through: a device-independent
// bitmap (header, palette, bottom-up rows padded to 4 bytes) with an optional
// alpha channel, decoded from and encoded to files through CDibFile.
#pragma once

#include <cstdint>

#include "engine/image/codec/DibFile.h"
#include "platform/Windows.h"

class CDibImage {
 public:
  // Format ids; FORMAT_UNKNOWN asks Decode to detect the format.
  enum : DWORD {
    FORMAT_UNKNOWN = 0,
    FORMAT_BMP = 1,
    FORMAT_GIF = 2,
    FORMAT_JPG = 3,
    FORMAT_PNG = 4,
    FORMAT_ICO = 5,
    FORMAT_TGA = 6,
    FORMAT_PCX = 7,
    FORMAT_WBMP = 8,
    FORMAT_WMF = 9,
    FORMAT_COUNT = 10
  };
  // The most bytes an image may claim for its pixel rows and for its alpha
  // channel (one byte per pixel).
  static constexpr uint64_t kMaxMemory = 256000000;

  CDibImage();
  ~CDibImage();
  CDibImage(const CDibImage&) = delete;
  CDibImage& operator=(const CDibImage&) = delete;

  // Bits per pixel become 1, 4, 8 or 24. Gives the new DIB block or null
  // (the last error says why). Pixel memory is not cleared.
  void* Create(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD formatId);
  void Destroy();
  bool IsValid() const { return m_dib != nullptr; }
  DWORD GetWidth() const { return static_cast<DWORD>(m_header.biWidth); }
  DWORD GetHeight() const { return static_cast<DWORD>(m_header.biHeight); }
  WORD GetBitsPerPixel() const { return m_header.biBitCount; }
  DWORD GetType() const { return m_info.type; }
  DWORD GetEffWidth() const { return m_info.effWidth; }
  DWORD GetNumColors() const { return m_header.biClrUsed; }
  const BITMAPINFOHEADER& GetHeader() const { return m_header; }
  // Row `y` in storage order (0 is the bottom row), or null.
  BYTE* GetBits(DWORD y = 0) const;

  RGBQUAD GetPaletteColor(BYTE index) const;
  void SetPaletteColor(BYTE index, RGBQUAD color);
  // Coordinates are in storage order: y = 0 is the bottom row.
  BYTE GetPixelIndex(long x, long y) const;
  RGBQUAD ReadPixel(long x, long y, bool withAlpha = false) const;
  void WritePixel(long x, long y, RGBQUAD color, bool withAlpha = false);

  bool CreateAlphaChannel();
  bool HasAlphaChannel() const { return m_alpha != nullptr; }
  BYTE GetAlphaAt(long x, long y) const;

  bool Decode(CDibFile* file, DWORD formatId);
  bool Encode(CDibFile* file, DWORD formatId);
  // Destroys this image's content and takes over `other`'s; `other` is left empty.
  void TakeOver(CDibImage& other);

  const char* GetLastError() const { return m_info.lastError; }
  // A non-zero escape makes a decoder stop with "Cancelled"; -1 makes it stop
  // after the dimensions, which GetWidth and GetHeight then give.
  long GetEscape() const { return m_info.escape; }
  void SetEscape(long escape) { m_info.escape = escape; }
  long GetXDpi() const { return m_info.xDpi; }
  long GetYDpi() const { return m_info.yDpi; }
  void SetXDpi(long dpi);
  void SetYDpi(long dpi);
  BYTE GetJpegQuality() const { return m_info.quality; }
  void SetJpegQuality(BYTE quality) { m_info.quality = quality; }
  // The palette index shown as transparent, or -1 for none.
  long GetTransIndex() const { return m_info.transIndex; }
  void SetTransIndex(long index) { m_info.transIndex = index; }

 private:
  struct Info {
    DWORD effWidth = 0;
    BYTE* bits = nullptr;  // first pixel row inside the DIB block
    DWORD type = FORMAT_UNKNOWN;
    char lastError[256] = {};
    long escape = 0;
    BYTE quality = 90;
    long xDpi = 96;
    long yDpi = 96;
    long transIndex = -1;
  };
  using Codec = bool (CDibImage::*)(CDibFile* file);
  static const Codec kDecoders[FORMAT_COUNT];
  static const Codec kEncoders[FORMAT_COUNT];

  bool Fail(const char* message);
  // Runs one decoder on a fresh image and takes its result over on success.
  bool DecodeWith(DWORD formatId, CDibFile* file, bool* dimensionsOnly);
  bool Cancelled() const { return m_info.escape != 0; }
  RGBQUAD* Palette() const;
  void SetPixelIndex(long x, long y, BYTE index);
  BYTE NearestIndex(RGBQUAD color) const;
  bool IsGrayScale() const;
  void SetGrayPalette();
  void FlipRows();

  bool DecodeBmp(CDibFile* file);
  bool EncodeBmp(CDibFile* file);
  bool DecodeRle(CDibFile* file, bool fourBit);
  bool DecodeJpeg(CDibFile* file);
  bool EncodeJpeg(CDibFile* file);
  bool DecodePng(CDibFile* file);
  bool EncodePng(CDibFile* file);
  bool DecodeWmf(CDibFile* file);
  bool EncodeWmf(CDibFile* file);
  bool DecodeGif(CDibFile* file);
  bool EncodeGif(CDibFile* file);
  bool DecodeIco(CDibFile* file);
  bool EncodeIco(CDibFile* file);
  bool DecodeWbmp(CDibFile* file);
  bool EncodeWbmp(CDibFile* file);
  bool DecodeTga(CDibFile* file);
  bool EncodeTga(CDibFile* file);
  bool DecodePcx(CDibFile* file);
  bool EncodePcx(CDibFile* file);

  BYTE* m_dib = nullptr;
  BITMAPINFOHEADER m_header = {};
  Info m_info;
  BYTE* m_alpha = nullptr;
};
