// The JPEG codec over libjpeg, with a source and a destination manager on the
// file interface and an error manager that returns through longjmp instead of
// ending the process.
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "engine/image/codec/DibImage.h"

namespace {

constexpr size_t kBufferSize = 16384;

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf jump;
  char* lastError;
};

void OnJpegError(j_common_ptr info) {
  ErrorManager* manager = reinterpret_cast<ErrorManager*>(info->err);
  char message[JMSG_LENGTH_MAX];
  (*info->err->format_message)(info, message);
  snprintf(manager->lastError, 256, "%s", message);
  longjmp(manager->jump, 1);
}

// Warnings are not shown anywhere.
void OnJpegMessage(j_common_ptr) {}

void SetUpErrors(ErrorManager* manager, char* lastError) {
  jpeg_std_error(&manager->base);
  manager->base.error_exit = OnJpegError;
  manager->base.output_message = OnJpegMessage;
  manager->lastError = lastError;
}

struct Source {
  jpeg_source_mgr base;
  CDibFile* file;
  JOCTET* buffer;
  bool started;
};

void InitSource(j_decompress_ptr info) { reinterpret_cast<Source*>(info->src)->started = false; }

// A file that ends before the image does is an error, not a grey tail.
boolean FillInputBuffer(j_decompress_ptr info) {
  Source* source = reinterpret_cast<Source*>(info->src);
  size_t got = source->file->Read(source->buffer, 1, kBufferSize);
  if (got == 0) ERREXIT(info, source->started ? JWRN_JPEG_EOF : JERR_INPUT_EMPTY);
  source->base.next_input_byte = source->buffer;
  source->base.bytes_in_buffer = got;
  source->started = true;
  return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
  Source* source = reinterpret_cast<Source*>(info->src);
  if (count <= 0) return;
  if (static_cast<size_t>(count) <= source->base.bytes_in_buffer) {
    source->base.next_input_byte += count;
    source->base.bytes_in_buffer -= static_cast<size_t>(count);
    return;
  }
  long beyond = count - static_cast<long>(source->base.bytes_in_buffer);
  source->base.bytes_in_buffer = 0;
  if (!source->file->Seek(beyond, 1)) ERREXIT(info, JWRN_JPEG_EOF);
}

void TermSource(j_decompress_ptr) {}

struct Destination {
  jpeg_destination_mgr base;
  CDibFile* file;
  JOCTET* buffer;
};

void InitDestination(j_compress_ptr info) {
  Destination* destination = reinterpret_cast<Destination*>(info->dest);
  destination->base.next_output_byte = destination->buffer;
  destination->base.free_in_buffer = kBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
  Destination* destination = reinterpret_cast<Destination*>(info->dest);
  if (destination->file->Write(destination->buffer, 1, kBufferSize) != kBufferSize)
    ERREXIT(info, JERR_FILE_WRITE);
  InitDestination(info);
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  Destination* destination = reinterpret_cast<Destination*>(info->dest);
  size_t used = kBufferSize - destination->base.free_in_buffer;
  if (used != 0 && destination->file->Write(destination->buffer, 1, used) != used)
    ERREXIT(info, JERR_FILE_WRITE);
}

}  // namespace

// Greyscale files become 8-bit images with a grey palette, all others 24-bit.
bool CDibImage::DecodeJpeg(CDibFile* file) {
  jpeg_decompress_struct info;
  ErrorManager errors;
  info.err = &errors.base;
  SetUpErrors(&errors, m_info.lastError);
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  // Everything below is allocated from libjpeg's pools and freed with it.
  Source* source = static_cast<Source*>(
      (*info.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&info), JPOOL_PERMANENT, sizeof(Source)));
  source->buffer = static_cast<JOCTET*>(
      (*info.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&info), JPOOL_PERMANENT, kBufferSize));
  source->file = file;
  source->base.init_source = InitSource;
  source->base.fill_input_buffer = FillInputBuffer;
  source->base.skip_input_data = SkipInputData;
  source->base.resync_to_restart = jpeg_resync_to_restart;
  source->base.term_source = TermSource;
  source->base.bytes_in_buffer = 0;
  source->base.next_input_byte = nullptr;
  info.src = &source->base;
  jpeg_read_header(&info, TRUE);

  bool ok = true;
  bool gray = info.jpeg_color_space == JCS_GRAYSCALE;
  bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  if (m_info.escape == -1) {
    m_header.biWidth = static_cast<LONG>(info.image_width);
    m_header.biHeight = static_cast<LONG>(info.image_height);
    ok = Fail("output dimensions returned");
  } else if (Cancelled()) {
    ok = Fail("Cancelled");
  } else if (Create(info.image_width, info.image_height, gray ? 8 : 24, FORMAT_JPG) == nullptr) {
    ok = false;
  }
  if (!ok) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  if (gray) SetGrayPalette();
  if (info.density_unit == 1) {
    SetXDpi(info.X_density);
    SetYDpi(info.Y_density);
  } else if (info.density_unit == 2) {  // dots per centimetre
    SetXDpi(static_cast<long>(info.X_density * 2.54 + 0.5));
    SetYDpi(static_cast<long>(info.Y_density * 2.54 + 0.5));
  }

  // Colour comes out blue, green, red, as the rows store it (an extension of
  // libjpeg-turbo, which Debian's libjpeg is).
  info.out_color_space = gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  JSAMPARRAY cmykRow = nullptr;
  if (cmyk) {
    cmykRow = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                        info.output_width * 4, 1);
  }
  DWORD width = info.output_width;
  while (info.output_scanline < info.output_height) {
    BYTE* out = GetBits(info.output_height - 1 - info.output_scanline);
    JSAMPROW target = cmyk ? cmykRow[0] : out;
    jpeg_read_scanlines(&info, &target, 1);
    if (!cmyk) continue;
    // Stored inverted, as the common writers do: each ink times the black.
    for (DWORD x = 0; x < width; ++x) {
      const BYTE* ink = target + x * 4;
      out[x * 3] = static_cast<BYTE>(ink[2] * ink[3] / 255);
      out[x * 3 + 1] = static_cast<BYTE>(ink[1] * ink[3] / 255);
      out[x * 3 + 2] = static_cast<BYTE>(ink[0] * ink[3] / 255);
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

bool CDibImage::EncodeJpeg(CDibFile* file) {
  bool gray = IsGrayScale();
  if (m_header.biBitCount != 24 && !gray) return Fail("JPEG can save only RGB or GreyScale images");
  jpeg_compress_struct info;
  ErrorManager errors;
  info.err = &errors.base;
  SetUpErrors(&errors, m_info.lastError);
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  Destination* destination = static_cast<Destination*>(
      (*info.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&info), JPOOL_PERMANENT, sizeof(Destination)));
  destination->buffer = static_cast<JOCTET*>(
      (*info.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&info), JPOOL_PERMANENT, kBufferSize));
  destination->file = file;
  destination->base.init_destination = InitDestination;
  destination->base.empty_output_buffer = EmptyOutputBuffer;
  destination->base.term_destination = TermDestination;
  info.dest = &destination->base;

  info.image_width = GetWidth();
  info.image_height = GetHeight();
  info.input_components = gray ? 1 : 3;
  info.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, m_info.quality, TRUE);
  info.density_unit = 1;
  info.X_density = static_cast<UINT16>(std::clamp(m_info.xDpi, 0L, 65535L));
  info.Y_density = static_cast<UINT16>(std::clamp(m_info.yDpi, 0L, 65535L));
  jpeg_start_compress(&info, TRUE);
  JSAMPARRAY rgbRow =
      (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, info.image_width * 3, 1);
  DWORD width = info.image_width;
  while (info.next_scanline < info.image_height) {
    BYTE* stored = GetBits(info.image_height - 1 - info.next_scanline);
    JSAMPROW row = stored;
    if (!gray) {
      row = rgbRow[0];
      for (DWORD x = 0; x < width; ++x) {
        row[x * 3] = stored[x * 3 + 2];
        row[x * 3 + 1] = stored[x * 3 + 1];
        row[x * 3 + 2] = stored[x * 3];
      }
    }
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}
