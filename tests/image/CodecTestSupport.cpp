#include "tests/image/CodecTestSupport.h"

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>

void PutLe16(Bytes& out, uint32_t value) { out.insert(out.end(), {uint8_t(value), uint8_t(value >> 8)}); }

void PutLe32(Bytes& out, uint32_t value) {
  PutLe16(out, value & 0xFFFF);
  PutLe16(out, value >> 16);
}

Bytes ReadFixture(const std::string& name) {
  return ReadBytes(std::string(TESSEL_IMAGE_FIXTURES) + "/" + name);
}

Bytes MakeBmp(const BmpSpec& spec) {
  Bytes info;
  PutLe32(info, spec.headerSize);
  bool core = spec.headerSize == 12;
  auto put = core ? PutLe16 : PutLe32;
  put(info, static_cast<uint32_t>(spec.width));
  put(info, static_cast<uint32_t>(spec.height));
  PutLe16(info, 1);
  PutLe16(info, spec.bits);
  if (!core) {
    auto pels = static_cast<uint32_t>(spec.pelsPerMeter);
    for (uint32_t field : {spec.compression, spec.imageSize, pels, pels, spec.colorsUsed, 0u})
      PutLe32(info, field);
    for (uint32_t mask : spec.headerSize >= 108 ? spec.masks : std::vector<uint32_t>{}) PutLe32(info, mask);
    info.resize(spec.headerSize < 40 ? 40 : spec.headerSize, 0);
  }
  for (const RGBQUAD& color : spec.palette) {
    info.insert(info.end(), {color.rgbBlue, color.rgbGreen, color.rgbRed});
    if (!core) info.push_back(0);
  }
  for (uint32_t mask : spec.headerSize < 108 ? spec.masks : std::vector<uint32_t>{}) PutLe32(info, mask);
  Bytes out;
  if (spec.fileHeader) {
    out = {'B', 'M'};
    uint32_t end = static_cast<uint32_t>(14 + info.size());
    for (uint32_t field :
         {end + uint32_t(spec.pixels.size()), 0u, spec.pixelOffset != 0 ? spec.pixelOffset : end})
      PutLe32(out, field);
  }
  out.insert(out.end(), info.begin(), info.end());
  if (spec.fileHeader && spec.pixelOffset > out.size()) out.resize(spec.pixelOffset, 0xEE);
  out.insert(out.end(), spec.pixels.begin(), spec.pixels.end());
  return out;
}

bool DecodeBytes(CDibImage& image, const Bytes& data, DWORD formatId) {
  Bytes copy = data;
  CDibMemFile file(copy.empty() ? nullptr : copy.data(), copy.size());
  return image.Decode(&file, formatId);
}

Bytes EncodeBytes(CDibImage& image, DWORD formatId) {
  CDibMemFile file;
  if (!file.Open() || !image.Encode(&file, formatId)) return {};
  return Bytes(file.DetachBuffer(false), file.DetachBuffer(false) + file.Size());
}

Picture RandomPicture(std::mt19937& random, uint32_t width, uint32_t height, int channels) {
  Picture picture{width, height, channels, Bytes(static_cast<size_t>(width) * height * channels)};
  for (uint8_t& sample : picture.samples) sample = static_cast<uint8_t>(random());
  return picture;
}

Picture GradientPicture(uint32_t width, uint32_t height, int channels) {
  Picture picture{width, height, channels, Bytes(static_cast<size_t>(width) * height * channels)};
  for (size_t i = 0; i < picture.samples.size(); ++i) {
    uint32_t x = i / channels % width, y = i / channels / width, c = i % channels;
    picture.samples[i] =
        static_cast<uint8_t>((x * 255 / (width - 1) * (c + 1) + y * 255 / (height - 1) * (3 - c)) / 4);
  }
  return picture;
}

static void AppendPng(png_structp png, png_bytep data, size_t length) {
  Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

Bytes WritePngDirect(const PngSpec& spec) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, AppendPng, nullptr);
  png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colorType,
               spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  for (const RGBQUAD& color : spec.palette) palette.push_back({color.rgbRed, color.rgbGreen, color.rgbBlue});
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!spec.transparency.empty())
    png_set_tRNS(png, info, spec.transparency.data(), static_cast<int>(spec.transparency.size()), nullptr);
  if (spec.pelsPerMeter != 0)
    png_set_pHYs(png, info, spec.pelsPerMeter, spec.pelsPerMeter, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (const Bytes& row : spec.rows) rows.push_back(const_cast<png_bytep>(row.data()));
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

bool ReadPngDirect(const Bytes& data, Picture& bgra) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) return false;
  image.format = PNG_FORMAT_BGRA;
  bgra = Picture{image.width, image.height, 4, Bytes(PNG_IMAGE_SIZE(image))};
  bool ok = png_image_finish_read(&image, nullptr, bgra.samples.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

// libjpeg errors jump back to the caller instead of ending the process.
struct JpegErrors {
  jpeg_error_mgr base;
  jmp_buf jump;
};
static void OnTestJpegError(j_common_ptr info) { longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }

Bytes WriteJpegDirect(const Picture& picture, int quality) {
  jpeg_compress_struct info;
  JpegErrors errors;
  (info.err = jpeg_std_error(&errors.base))->error_exit = OnTestJpegError;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&info);
    free(buffer);
    return {};
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = picture.width;
  info.image_height = picture.height;
  info.input_components = picture.channels;
  info.in_color_space = picture.channels == 1 ? JCS_GRAYSCALE : picture.channels == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(picture.At(0, info.next_scanline));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes out(buffer, buffer + size);
  free(buffer);
  return out;
}

bool ReadJpegDirect(const Bytes& data, Picture& picture) {
  jpeg_decompress_struct info;
  JpegErrors errors;
  (info.err = jpeg_std_error(&errors.base))->error_exit = OnTestJpegError;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data.data(), data.size());
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  size_t stride = static_cast<size_t>(info.output_width) * info.output_components;
  picture = Picture{info.output_width, info.output_height, info.output_components,
                    Bytes(stride * info.output_height)};
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &picture.samples[info.output_scanline * stride];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

RGBQUAD TopDownPixel(const CDibImage& image, uint32_t x, uint32_t y, bool withAlpha) {
  return image.ReadPixel(static_cast<long>(x), static_cast<long>(image.GetHeight() - 1 - y), withAlpha);
}

std::vector<RGBQUAD> RandomPalette(std::mt19937& random, size_t count) {
  std::vector<RGBQUAD> palette(count);
  for (RGBQUAD& color : palette) color = {BYTE(random()), BYTE(random()), BYTE(random()), 0};
  return palette;
}

void FillRandom(CDibImage& image, std::mt19937& random) {
  std::vector<RGBQUAD> colors = RandomPalette(random, image.GetNumColors() != 0 ? image.GetNumColors() : 64);
  for (DWORD i = 0; i < image.GetNumColors(); ++i) image.SetPaletteColor(BYTE(i), colors[i]);
  for (long y = 0; y < long(image.GetHeight()); ++y)
    for (long x = 0; x < long(image.GetWidth()); ++x) {
      RGBQUAD color = colors[random() % colors.size()];
      color.rgbReserved = BYTE(random());
      image.WritePixel(x, y, color, true);
    }
}
