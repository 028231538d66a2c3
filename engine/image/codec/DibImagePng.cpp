// The PNG codec over libpng: every read, write and flush goes through the file
// interface, and library errors come back through longjmp as the last error.
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/image/codec/DibImage.h"

namespace {

// The error pointer is the image's last error text.
void OnPngError(png_structp png, png_const_charp message) {
  snprintf(static_cast<char*>(png_get_error_ptr(png)), 256, "%s", message);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromFile(png_structp png, png_bytep data, size_t length) {
  CDibFile* file = static_cast<CDibFile*>(png_get_io_ptr(png));
  if (file->Read(data, 1, length) != length) png_error(png, "Read Error");
}

void WriteToFile(png_structp png, png_bytep data, size_t length) {
  CDibFile* file = static_cast<CDibFile*>(png_get_io_ptr(png));
  if (file->Write(data, 1, length) != length) png_error(png, "Write Error");
}

void FlushFile(png_structp png) {
  CDibFile* file = static_cast<CDibFile*>(png_get_io_ptr(png));
  if (!file->Flush()) png_error(png, "Flush Error");
}

long PelsPerMeterToDpi(png_uint_32 pelsPerMeter) {
  return static_cast<long>(std::floor(pelsPerMeter * 0.0254 + 0.5));
}

// Deflate expands its input at most about 1032 times.
constexpr uint64_t kMostInflation = 1032;

// Whether the rest of the file could hold the picture's rows, so that a tiny
// file claiming a huge picture is refused before its memory is claimed.
bool CanHoldRows(CDibFile* file, png_structp png, png_infop info) {
  const long size = file->Size();
  const long position = file->Tell();
  if (size < 0 || position < 0 || position > size) return false;
  const uint64_t rowBytes = png_get_rowbytes(png, info);
  return uint64_t(size - position) * kMostInflation >= rowBytes * png_get_image_height(png, info);
}

}  // namespace

// Every PNG becomes a 24-bit image, with an alpha channel when the file has
// alpha or a transparent colour.
bool CDibImage::DecodePng(CDibFile* file) {
  // Creating the structure checks the run-time library against the headers
  // this was built with.
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, m_info.lastError, OnPngError, OnPngWarning);
  if (png == nullptr) return Fail("Failed to create PNG structure");
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return Fail("Failed to initialize PNG info structure");
  }
  png_bytep volatile row = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    free(row);
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, file, ReadFromFile);
  png_read_info(png, info);

  png_uint_32 width = png_get_image_width(png, info);
  png_uint_32 height = png_get_image_height(png, info);
  int colorType = png_get_color_type(png, info);
  bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  bool ok = true;
  if (m_info.escape == -1) {
    m_header.biWidth = static_cast<LONG>(width);
    m_header.biHeight = static_cast<LONG>(height);
    ok = Fail("output dimensions returned");
  } else if (Cancelled()) {
    ok = Fail("Cancelled");
  } else if (!CanHoldRows(file, png, info)) {
    ok = Fail("Read Error");
  } else if (Create(width, height, 24, FORMAT_PNG) == nullptr || (alpha && !CreateAlphaChannel())) {
    ok = false;
  }
  if (!ok) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_uint_32 xPelsPerMeter, yPelsPerMeter;
  int unit;
  if (png_get_pHYs(png, info, &xPelsPerMeter, &yPelsPerMeter, &unit) && unit == PNG_RESOLUTION_METER) {
    SetXDpi(PelsPerMeterToDpi(xPelsPerMeter));
    SetYDpi(PelsPerMeterToDpi(yPelsPerMeter));
  }

  // Every format is turned into 8-bit blue, green, red (and alpha).
  png_set_strip_16(png);
  png_set_expand(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  size_t pixelBytes = alpha ? 4 : 3;
  if (png_get_rowbytes(png, info) != width * pixelBytes) png_error(png, "unexpected PNG row size");
  if (alpha) {
    row = static_cast<png_bytep>(malloc(width * pixelBytes));
    if (row == nullptr) png_error(png, "Can't allocate memory");
  }
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      DWORD stored = height - 1 - y;
      BYTE* out = GetBits(stored);
      if (!alpha) {
        png_read_row(png, out, nullptr);
        continue;
      }
      // Later passes of an interlaced file fill in pixels of the row the
      // earlier ones left, so the row is rebuilt before each pass.
      BYTE* opacity = m_alpha + static_cast<size_t>(stored) * width;
      if (pass > 0) {
        for (png_uint_32 x = 0; x < width; ++x) {
          memcpy(row + x * 4, out + x * 3, 3);
          row[x * 4 + 3] = opacity[x];
        }
      }
      png_read_row(png, row, nullptr);
      for (png_uint_32 x = 0; x < width; ++x) {
        memcpy(out + x * 3, row + x * 4, 3);
        opacity[x] = row[x * 4 + 3];
      }
    }
  }
  free(row);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

// 24-bit images are written as RGB, paletted ones with their palette, and any
// image with an alpha channel as RGBA.
bool CDibImage::EncodePng(CDibFile* file) {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, m_info.lastError, OnPngError, OnPngWarning);
  if (png == nullptr) return Fail("Failed to create PNG structure");
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return Fail("Failed to initialize PNG info structure");
  }
  png_bytep volatile row = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    free(row);
    png_destroy_write_struct(&png, &info);
    // Errors of the file interface keep their own text.
    if (strcmp(m_info.lastError, "Write Error") != 0 && strcmp(m_info.lastError, "Flush Error") != 0)
      Fail("Error saving PNG file");
    return false;
  }
  png_set_write_fn(png, file, WriteToFile, FlushFile);

  png_uint_32 width = GetWidth();
  png_uint_32 height = GetHeight();
  bool alpha = m_alpha != nullptr;
  bool paletted = !alpha && m_header.biClrUsed != 0;
  int colorType = alpha ? PNG_COLOR_TYPE_RGB_ALPHA : paletted ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB;
  int bitDepth = paletted ? m_header.biBitCount : 8;
  png_set_IHDR(png, info, width, height, bitDepth, colorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (paletted) {
    png_color palette[256];
    for (DWORD i = 0; i < m_header.biClrUsed; ++i) {
      RGBQUAD color = Palette()[i];
      palette[i] = png_color{color.rgbRed, color.rgbGreen, color.rgbBlue};
    }
    png_set_PLTE(png, info, palette, static_cast<int>(m_header.biClrUsed));
  }
  if (m_header.biXPelsPerMeter > 0 && m_header.biYPelsPerMeter > 0) {
    png_set_pHYs(png, info, static_cast<png_uint_32>(m_header.biXPelsPerMeter),
                 static_cast<png_uint_32>(m_header.biYPelsPerMeter), PNG_RESOLUTION_METER);
  }
  png_write_info(png, info);
  if (!paletted) png_set_bgr(png);
  if (alpha) {
    row = static_cast<png_bytep>(malloc(static_cast<size_t>(width) * 4));
    if (row == nullptr) png_error(png, "Can't allocate memory");
  }
  for (png_uint_32 y = 0; y < height; ++y) {
    DWORD stored = height - 1 - y;
    if (row == nullptr) {
      png_write_row(png, GetBits(stored));
      continue;
    }
    for (png_uint_32 x = 0; x < width; ++x) {
      RGBQUAD color = ReadPixel(static_cast<long>(x), static_cast<long>(stored), true);
      memcpy(row + x * 4, &color, 4);
    }
    png_write_row(png, row);
  }
  png_write_end(png, info);
  free(row);
  png_destroy_write_struct(&png, &info);
  return true;
}
