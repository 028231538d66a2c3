// Loading a 1024 x 768 picture from memory through CTSImage::Load (format
// detection, as the image manager loads) as 24-bit BMP, PNG and JPEG, in
// pixels per second. Peers decode the same bytes directly: libpng and libjpeg
// from memory into packed rows, and for BMP a plain copy of the pixel bytes.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <csetjmp>
#include <cstring>
#include <random>
#include <vector>

#include "engine/image/TSImage.h"
#include "engine/image/codec/DibImage.h"
#include "engine/image/codec/DibMemFile.h"

namespace {

constexpr DWORD kWidth = 1024;
constexpr DWORD kHeight = 768;
constexpr size_t kBmpHeaderBytes = 54;

using Bytes = std::vector<BYTE>;

// A photograph-like picture (smooth shading with some noise), so that PNG and
// JPEG do typical work, encoded once per format.
Bytes Encoded(DWORD formatId) {
  CDibImage image;
  image.Create(kWidth, kHeight, 24, formatId);
  std::mt19937 random(7);
  for (DWORD y = 0; y < kHeight; ++y) {
    BYTE* row = image.GetBits(y);
    for (DWORD x = 0; x < kWidth; ++x) {
      int noise = int(random() % 9) - 4;
      row[x * 3] = BYTE((x * 255 / kWidth + noise) & 0xFF);
      row[x * 3 + 1] = BYTE((y * 255 / kHeight + noise) & 0xFF);
      row[x * 3 + 2] = BYTE(((x + y) * 255 / (kWidth + kHeight)) & 0xFF);
    }
  }
  CDibMemFile file;
  file.Open();
  if (!image.Encode(&file, formatId)) return {};
  const BYTE* data = file.DetachBuffer(false);
  return Bytes(data, data + file.Size());
}

const Bytes& Bmp() {
  static const Bytes bytes = Encoded(CDibImage::FORMAT_BMP);
  return bytes;
}
const Bytes& Png() {
  static const Bytes bytes = Encoded(CDibImage::FORMAT_PNG);
  return bytes;
}
const Bytes& Jpeg() {
  static const Bytes bytes = Encoded(CDibImage::FORMAT_JPG);
  return bytes;
}

void LoadThroughImage(benchmark::State& state, const Bytes& bytes) {
  CTSUsePtr<CTSImage> image(new CTSImage);
  for (auto _ : state) {
    CTSUsePtr<CTSIOStream> stream(
        new CTSIOStream(const_cast<BYTE*>(bytes.data()), int32_t(bytes.size()), CTSIOStream::kRead, false));
    if (!image->Load(stream.Get(), IMAGE_FORMAT_DETECT) || image->GetWidth() != INT(kWidth)) {
      state.SkipWithError("load failed");
      break;
    }
    benchmark::DoNotOptimize(image->GetScanline(0));
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_ImageLoadBmp(benchmark::State& state) { LoadThroughImage(state, Bmp()); }
void BM_ImageLoadPng(benchmark::State& state) { LoadThroughImage(state, Png()); }
void BM_ImageLoadJpeg(benchmark::State& state) { LoadThroughImage(state, Jpeg()); }

void BM_PeerBmpCopy(benchmark::State& state) {
  const Bytes& bytes = Bmp();
  Bytes pixels(bytes.size() - kBmpHeaderBytes);
  for (auto _ : state) {
    memcpy(pixels.data(), bytes.data() + kBmpHeaderBytes, pixels.size());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

struct MemoryReader {
  const Bytes* bytes;
  size_t at;
};

void ReadFromMemory(png_structp png, png_bytep data, size_t length) {
  MemoryReader* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (length > reader->bytes->size() - reader->at) png_error(png, "read past the end");
  memcpy(data, reader->bytes->data() + reader->at, length);
  reader->at += length;
}

void BM_PeerLibpng(benchmark::State& state) {
  Bytes pixels(size_t(kWidth) * kHeight * 3);
  for (auto _ : state) {
    MemoryReader reader{&Png(), 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
      png_destroy_read_struct(&png, &info, nullptr);
      state.SkipWithError("libpng failed");
      break;
    }
    png_set_read_fn(png, &reader, ReadFromMemory);
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    for (DWORD y = 0; y < kHeight; ++y) png_read_row(png, pixels.data() + size_t(y) * kWidth * 3, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

struct JpegErrors {
  jpeg_error_mgr base;
  jmp_buf jump;
};

void OnJpegError(j_common_ptr info) { longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }

void BM_PeerLibjpeg(benchmark::State& state) {
  const Bytes& bytes = Jpeg();
  Bytes pixels(size_t(kWidth) * kHeight * 3);
  for (auto _ : state) {
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnJpegError;
    if (setjmp(errors.jump)) {
      jpeg_destroy_decompress(&info);
      state.SkipWithError("libjpeg failed");
      break;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = pixels.data() + size_t(info.output_scanline) * kWidth * 3;
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

}  // namespace

BENCHMARK(BM_ImageLoadBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeerBmpCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageLoadPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeerLibpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageLoadJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeerLibjpeg)->Unit(benchmark::kMillisecond);
