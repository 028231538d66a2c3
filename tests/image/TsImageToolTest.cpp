// The tsimage tool run as a process in a temporary folder, on files written
// independently of the codecs: what info prints, round trips through convert
// read back with libpng, libjpeg or the BMP decoder, and every failure's
// message and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tests/common/TempFolder.h"
#include "tests/image/CodecTestSupport.h"

namespace {

constexpr const char* kUsage =
    "usage: tsimage info FILE | tsimage convert IN OUT(.bmp|.gif|.jpg|.jpeg|.png|.ico|.tga|.pcx|.wbmp)\n";
constexpr const char* kUnknownFormat = "Decode: Unknown or wrong format";

struct ToolRun {
  int status;
  std::string out;
  std::string errors;
};

ToolRun RunTool(const std::string& arguments) {
  std::string command = std::string(TSIMAGE_PATH) + " " + arguments + " >out.txt 2>errors.txt";
  int raw = std::system(command.c_str());
  return ToolRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadWholeFile("out.txt"),
                 ReadWholeFile("errors.txt")};
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

Bytes ReadBytes(const std::string& path) {
  std::string text = ReadWholeFile(path);
  return Bytes(text.begin(), text.end());
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// A 24-bit BMP of an RGB picture: rows bottom-up, blue first, padded to 4.
Bytes BmpOf(const Picture& picture) {
  BmpSpec spec;
  spec.width = int32_t(picture.width);
  spec.height = int32_t(picture.height);
  for (uint32_t y = picture.height; y-- > 0;) {
    for (uint32_t x = 0; x < picture.width; ++x) {
      const uint8_t* rgb = picture.At(x, y);
      spec.pixels.insert(spec.pixels.end(), {rgb[2], rgb[1], rgb[0]});
    }
    while (spec.pixels.size() % 4 != 0) spec.pixels.push_back(0);
  }
  return MakeBmp(spec);
}

Bytes PngOf(const Picture& picture) {
  PngSpec spec;
  spec.width = picture.width;
  spec.height = picture.height;
  spec.colorType = picture.channels == 4 ? 6 : 2;
  for (uint32_t y = 0; y < picture.height; ++y)
    spec.rows.emplace_back(picture.At(0, y), picture.At(0, y) + picture.width * picture.channels);
  return WritePngDirect(spec);
}

// The largest difference of one channel between an RGB(A) picture and a
// decoded BGRA picture; alpha is compared when both have it.
int LargestDifference(const Picture& rgb, const Picture& bgra) {
  int largest = 0;
  for (uint32_t y = 0; y < rgb.height; ++y)
    for (uint32_t x = 0; x < rgb.width; ++x)
      for (int c = 0; c < (rgb.channels == 4 ? 4 : 3); ++c) {
        int expected = rgb.At(x, y)[c];
        int got = bgra.At(x, y)[c == 3 ? 3 : 2 - c];
        largest = std::max(largest, std::abs(expected - got));
      }
  return largest;
}

Picture WithoutAlpha(const Picture& rgba) {
  Picture rgb{rgba.width, rgba.height, 3, {}};
  for (size_t i = 0; i < rgba.samples.size(); ++i)
    if (i % 4 != 3) rgb.samples.push_back(rgba.samples[i]);
  return rgb;
}

// A decoded BMP (through the codec layer) as a top-down BGRA picture.
bool ReadBmp(const Bytes& file, Picture& bgra) {
  CDibImage image;
  if (!DecodeBytes(image, file, CDibImage::FORMAT_BMP)) return false;
  bgra = Picture{image.GetWidth(), image.GetHeight(), 4, {}};
  for (uint32_t y = 0; y < bgra.height; ++y)
    for (uint32_t x = 0; x < bgra.width; ++x) {
      RGBQUAD color = TopDownPixel(image, x, y);
      bgra.samples.insert(bgra.samples.end(), {color.rgbBlue, color.rgbGreen, color.rgbRed, 255});
    }
  return true;
}

// A 2 x 1 icon of 24 bits whose left pixel the mask makes transparent.
Bytes TinyIcon() {
  Bytes file = {0, 0, 1, 0, 1, 0, 2, 1, 0, 0, 1, 0, 24, 0};
  PutLe32(file, 52);  // size of the image
  PutLe32(file, 22);  // where it starts
  for (uint32_t field : {40u, 2u, 2u}) PutLe32(file, field);
  PutLe16(file, 1);
  PutLe16(file, 24);
  file.resize(22 + 40, 0);
  file.insert(file.end(), {1, 2, 3, 4, 5, 6, 0, 0});  // the colour row
  file.insert(file.end(), {0x80, 0, 0, 0});           // the mask row
  return file;
}

TEST(TsImageTool, InfoTellsFormatSizeDepthAndAlpha) {
  TempFolder folder;
  std::mt19937 random(11);
  BmpSpec paletted;
  paletted.width = 4;
  paletted.height = 2;
  paletted.bits = 8;
  paletted.colorsUsed = 2;
  paletted.palette = {RGBQUAD{1, 2, 3, 0}, RGBQUAD{4, 5, 6, 0}};
  paletted.pixels = Bytes(8, 1);
  const struct {
    const char* name;
    Bytes file;
    const char* expected;
  } cases[] = {
      {"rgb.bmp", BmpOf(RandomPicture(random, 5, 3, 3)),
       "format: BMP\nwidth: 5\nheight: 3\nbits per pixel: 24\nalpha: no\n"},
      {"paletted.bmp", MakeBmp(paletted), "format: BMP\nwidth: 4\nheight: 2\nbits per pixel: 8\nalpha: no\n"},
      {"rgba.png", PngOf(RandomPicture(random, 3, 2, 4)),
       "format: PNG\nwidth: 3\nheight: 2\nbits per pixel: 24\nalpha: yes\n"},
      {"rgb.png", PngOf(RandomPicture(random, 6, 1, 3)),
       "format: PNG\nwidth: 6\nheight: 1\nbits per pixel: 24\nalpha: no\n"},
      {"grey.jpg", WriteJpegDirect(GradientPicture(8, 8, 1), 90),
       "format: JPEG\nwidth: 8\nheight: 8\nbits per pixel: 8\nalpha: no\n"},
      // The name does not matter: the content is what counts.
      {"photo.bmp", WriteJpegDirect(GradientPicture(16, 9, 3), 90),
       "format: JPEG\nwidth: 16\nheight: 9\nbits per pixel: 24\nalpha: no\n"},
      {"tiny.ico", TinyIcon(), "format: ICO\nwidth: 2\nheight: 1\nbits per pixel: 24\nalpha: yes\n"},
      {"tiny.wbmp",
       {0, 0, 3, 2, 0xA0, 0x40},
       "format: WBMP\nwidth: 3\nheight: 2\nbits per pixel: 1\nalpha: no\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(c.name, c.file);
    ToolRun run = RunTool(std::string("info ") + c.name);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.out, c.expected);
    EXPECT_EQ(run.errors, "");
  }
}

TEST(TsImageTool, ConvertRoundTripsKeepThePixels) {
  TempFolder folder;
  std::mt19937 random(5);

  // BMP to PNG: exact, opaque.
  const Picture rgb = RandomPicture(random, 7, 5, 3);
  WriteBytes("rgb.bmp", BmpOf(rgb));
  ToolRun run = RunTool("convert rgb.bmp out.png");
  ASSERT_EQ(run.status, 0) << run.errors;
  Picture back;
  ASSERT_TRUE(ReadPngDirect(ReadBytes("out.png"), back));
  ASSERT_EQ(back.width, rgb.width);
  ASSERT_EQ(back.height, rgb.height);
  EXPECT_EQ(LargestDifference(rgb, back), 0);
  for (uint32_t i = 0; i < back.width * back.height; ++i) EXPECT_EQ(back.samples[i * 4 + 3], 255);

  // PNG with alpha to PNG keeps the alpha; to BMP keeps the colours.
  const Picture rgba = RandomPicture(random, 9, 4, 4);
  WriteBytes("rgba.png", PngOf(rgba));
  run = RunTool("convert rgba.png again.PNG");
  ASSERT_EQ(run.status, 0) << run.errors;
  ASSERT_TRUE(ReadPngDirect(ReadBytes("again.PNG"), back));
  ASSERT_EQ(back.width * back.height, rgba.width * rgba.height);
  EXPECT_EQ(LargestDifference(rgba, back), 0);
  run = RunTool("convert rgba.png flat.bmp");
  ASSERT_EQ(run.status, 0) << run.errors;
  ASSERT_TRUE(ReadBmp(ReadBytes("flat.bmp"), back));
  const Picture colours = WithoutAlpha(rgba);
  ASSERT_EQ(back.width * back.height, rgba.width * rgba.height);
  EXPECT_EQ(LargestDifference(colours, back), 0);

  // BMP to JPEG stays close to a smooth picture.
  const Picture smooth = GradientPicture(32, 24, 3);
  WriteBytes("smooth.bmp", BmpOf(smooth));
  for (const char* name : {"smooth.jpg", "smooth.JPEG"}) {
    run = RunTool(std::string("convert smooth.bmp ") + name);
    ASSERT_EQ(run.status, 0) << run.errors;
    Picture decoded;
    ASSERT_TRUE(ReadJpegDirect(ReadBytes(name), decoded));
    ASSERT_EQ(decoded.channels, 3);
    ASSERT_EQ(decoded.width * decoded.height, smooth.width * smooth.height);
    int largest = 0;
    for (size_t i = 0; i < smooth.samples.size(); ++i)
      largest = std::max(largest, std::abs(int(smooth.samples[i]) - int(decoded.samples[i])));
    EXPECT_LE(largest, 8) << name;
  }

  // JPEG to BMP gives exactly what libjpeg decodes.
  const Bytes jpeg = WriteJpegDirect(RandomPicture(random, 10, 6, 3), 75);
  WriteBytes("noise.jpg", jpeg);
  run = RunTool("convert noise.jpg noise.bmp");
  ASSERT_EQ(run.status, 0) << run.errors;
  Picture expected;
  ASSERT_TRUE(ReadJpegDirect(jpeg, expected));
  ASSERT_TRUE(ReadBmp(ReadBytes("noise.bmp"), back));
  ASSERT_EQ(back.width * back.height, expected.width * expected.height);
  EXPECT_EQ(LargestDifference(expected, back), 0);
}

// An image decoded by the codec layer as a top-down BGRA picture (alpha 255
// without an alpha channel).
Picture BgraOf(const CDibImage& image) {
  Picture bgra{image.GetWidth(), image.GetHeight(), 4, {}};
  for (uint32_t y = 0; y < bgra.height; ++y)
    for (uint32_t x = 0; x < bgra.width; ++x) {
      RGBQUAD color = TopDownPixel(image, x, y, true);
      bgra.samples.insert(bgra.samples.end(), {color.rgbBlue, color.rgbGreen, color.rgbRed,
                                               image.HasAlphaChannel() ? color.rgbReserved : BYTE(255)});
    }
  return bgra;
}

// A paletted BMP of random indexes into `palette`, and the picture it shows.
Bytes PalettedBmp(std::mt19937& random, uint32_t width, uint32_t height, uint16_t bits,
                  const std::vector<RGBQUAD>& palette, Picture& shown) {
  BmpSpec spec{.width = int32_t(width), .height = int32_t(height), .bits = bits, .palette = palette};
  spec.colorsUsed = uint32_t(palette.size());
  shown = Picture{width, height, 3, Bytes(width * height * 3)};
  const uint32_t stride = (width * bits + 31) / 32 * 4;
  spec.pixels.assign(stride * height, 0);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t index = random() % palette.size();
      const uint32_t bit = x * bits;
      spec.pixels[(height - 1 - y) * stride + bit / 8] |= uint8_t(index << (8 - bits - bit % 8));
      const RGBQUAD& color = palette[index];
      uint8_t* rgb = &shown.samples[(y * width + x) * 3];
      rgb[0] = color.rgbRed;
      rgb[1] = color.rgbGreen;
      rgb[2] = color.rgbBlue;
    }
  }
  return MakeBmp(spec);
}

std::vector<RGBQUAD> RandomColours(std::mt19937& random, size_t count) {
  std::vector<RGBQUAD> colours(count);
  for (RGBQUAD& colour : colours) colour = RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0};
  return colours;
}

// White where the luminance (0.299 red + 0.587 green + 0.114 blue) is 128 or
// more, black elsewhere.
Picture BlackAndWhite(const Picture& picture) {
  Picture out{picture.width, picture.height, 3, {}};
  for (uint32_t y = 0; y < picture.height; ++y)
    for (uint32_t x = 0; x < picture.width; ++x) {
      const uint8_t* rgb = picture.At(x, y);
      const uint8_t level = 299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] >= 128000 ? 255 : 0;
      out.samples.insert(out.samples.end(), {level, level, level});
    }
  return out;
}

// Every output format, read back through the codec layer: the depth is kept
// where the format takes it, JPEG and TGA get 24 bits otherwise, WBMP black
// and white; alpha is kept by ICO, PNG and TGA.
TEST(TsImageTool, ConvertWritesEveryFormat) {
  TempFolder folder;
  std::mt19937 random(21);
  const Picture rgb = RandomPicture(random, 7, 5, 3);
  const Picture rgba = RandomPicture(random, 6, 4, 4);
  Picture paletted, sixteen, mono, flat;
  WriteBytes("rgb.bmp", BmpOf(rgb));
  WriteBytes("rgba.png", PngOf(rgba));
  WriteBytes("paletted.bmp", PalettedBmp(random, 9, 4, 8, RandomColours(random, 20), paletted));
  WriteBytes("sixteen.bmp", PalettedBmp(random, 5, 3, 4, RandomColours(random, 16), sixteen));
  WriteBytes("mono.bmp",
             PalettedBmp(random, 11, 3, 1, {RGBQUAD{255, 255, 255, 0}, RGBQUAD{0, 0, 0, 0}}, mono));
  WriteBytes("flat.bmp", PalettedBmp(random, 8, 8, 4, {RGBQUAD{40, 150, 220, 0}}, flat));

  const struct {
    const char* in;
    const char* out;
    DWORD format;
    int bits;  // 0: the codec's choice
    const Picture& expected;
  } cases[] = {
      {"rgb.bmp", "rgb.ico", CDibImage::FORMAT_ICO, 24, rgb},
      {"rgba.png", "rgba.ico", CDibImage::FORMAT_ICO, 24, rgba},
      {"paletted.bmp", "paletted.ico", CDibImage::FORMAT_ICO, 8, paletted},
      {"sixteen.bmp", "sixteen.ICO", CDibImage::FORMAT_ICO, 4, sixteen},
      {"rgb.bmp", "rgb.wbmp", CDibImage::FORMAT_WBMP, 1, BlackAndWhite(rgb)},
      {"rgba.png", "rgba.wbmp", CDibImage::FORMAT_WBMP, 1, BlackAndWhite(WithoutAlpha(rgba))},
      {"mono.bmp", "mono.wbmp", CDibImage::FORMAT_WBMP, 1, mono},
      {"rgb.bmp", "rgb.gif", CDibImage::FORMAT_GIF, 0, rgb},
      {"paletted.bmp", "paletted.gif", CDibImage::FORMAT_GIF, 0, paletted},
      {"rgb.bmp", "rgb.tga", CDibImage::FORMAT_TGA, 24, rgb},
      {"rgba.png", "rgba.tga", CDibImage::FORMAT_TGA, 24, rgba},
      {"paletted.bmp", "paletted.tga", CDibImage::FORMAT_TGA, 8, paletted},
      {"sixteen.bmp", "sixteen.tga", CDibImage::FORMAT_TGA, 24, sixteen},
      {"rgb.bmp", "rgb.pcx", CDibImage::FORMAT_PCX, 24, rgb},
      {"paletted.bmp", "paletted.pcx", CDibImage::FORMAT_PCX, 8, paletted},
      {"sixteen.bmp", "sixteen.pcx", CDibImage::FORMAT_PCX, 4, sixteen},
      {"mono.bmp", "mono.pcx", CDibImage::FORMAT_PCX, 1, mono},
      {"paletted.bmp", "paletted.bmp", CDibImage::FORMAT_BMP, 8, paletted},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.in) + " to " + c.out);
    ToolRun run = RunTool(std::string("convert ") + c.in + " " + c.out);
    ASSERT_EQ(run.status, 0) << run.errors;
    CDibImage image;
    ASSERT_TRUE(DecodeBytes(image, ReadBytes(c.out), c.format)) << image.GetLastError();
    if (c.bits != 0) {
      EXPECT_EQ(image.GetBitsPerPixel(), c.bits);
    }
    EXPECT_EQ(image.HasAlphaChannel(), c.expected.channels == 4);
    ASSERT_EQ(image.GetWidth(), c.expected.width);
    ASSERT_EQ(image.GetHeight(), c.expected.height);
    EXPECT_EQ(LargestDifference(c.expected, BgraOf(image)), 0);
  }

  // A 4-bit picture becomes a 24-bit JPEG close to its one colour.
  ToolRun run = RunTool("convert flat.bmp flat.jpg");
  ASSERT_EQ(run.status, 0) << run.errors;
  Picture decoded;
  ASSERT_TRUE(ReadJpegDirect(ReadBytes("flat.jpg"), decoded));
  ASSERT_EQ(decoded.channels, 3);
  int largest = 0;
  for (size_t i = 0; i < decoded.samples.size(); ++i)
    largest = std::max(largest, std::abs(int(decoded.samples[i]) - int(flat.samples[i])));
  EXPECT_LE(largest, 3);

  // A picture too large for an icon leaves no file behind.
  WriteBytes("wide.bmp", BmpOf(RandomPicture(random, 257, 1, 3)));
  run = RunTool("convert wide.bmp wide.ico");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.errors, "tsimage: wide.ico: Can't save this image as icon\n");
  EXPECT_FALSE(Exists("wide.ico"));
}

TEST(TsImageTool, ConvertReplacesALongerFileCompletely) {
  TempFolder folder;
  std::mt19937 random(3);
  const Picture rgb = RandomPicture(random, 4, 4, 3);
  WriteBytes("small.bmp", BmpOf(rgb));
  WriteBytes("out.bmp", Bytes(10000, 0xAB));
  ToolRun run = RunTool("convert small.bmp out.bmp");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(ReadBytes("out.bmp").size(), 54u + 4 * 12);
  Picture back;
  ASSERT_TRUE(ReadBmp(ReadBytes("out.bmp"), back));
  EXPECT_EQ(LargestDifference(rgb, back), 0);
}

TEST(TsImageTool, FilesThatCannotBeReadOrDecodedFailWithTheReason) {
  TempFolder folder;
  std::mt19937 random(9);
  const Bytes png = PngOf(RandomPicture(random, 20, 20, 3));
  WriteBytes("cut.png", Bytes(png.begin(), png.begin() + png.size() / 2));
  Bytes noise(300);
  for (uint8_t& byte : noise) byte = uint8_t(random());
  WriteBytes("noise.bmp", noise);
  WriteBytes("empty.png", {});
  WriteBytes("good.bmp", BmpOf(RandomPicture(random, 2, 2, 3)));

  for (const std::string command : {"info", "convert"}) {
    SCOPED_TRACE(command);
    const std::string target = command == "convert" ? " out.png" : "";
    ToolRun run = RunTool(command + " missing.png" + target);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "tsimage: missing.png: cannot read the file\n");
    EXPECT_FALSE(Exists("missing.png"));
    for (const char* name : {"cut.png", "noise.bmp", "empty.png"}) {
      run = RunTool(command + " " + name + target);
      EXPECT_EQ(run.status, 1) << name;
      EXPECT_EQ(run.errors, std::string("tsimage: ") + name + ": " + kUnknownFormat + "\n");
      EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(Exists("out.png"));
  }

  // An output that cannot be created.
  ToolRun run = RunTool("convert good.bmp nowhere/out.png");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.errors, "tsimage: nowhere/out.png: cannot write the file\n");
}

TEST(TsImageTool, BadUsageAndUnknownExtensionsAreRefused) {
  TempFolder folder;
  std::mt19937 random(1);
  WriteBytes("good.bmp", BmpOf(RandomPicture(random, 2, 2, 3)));
  for (const char* arguments :
       {"", "info", "info good.bmp extra", "convert good.bmp", "convert a b c", "show good.bmp", "--help"}) {
    ToolRun run = RunTool(arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_EQ(run.errors, kUsage) << arguments;
  }
  for (const char* output : {"out.tif", "out", "dir.png/out", "out.bmp.txt", "out.wbm"}) {
    ToolRun run = RunTool(std::string("convert good.bmp ") + output);
    EXPECT_EQ(run.status, 2) << output;
    EXPECT_EQ(run.errors, std::string("tsimage: ") + output +
                              ": unknown output extension (use .bmp, .gif, .jpg, .jpeg, .png, .ico, .tga, "
                              ".pcx or .wbmp)\n");
    EXPECT_FALSE(Exists(output));
  }
}

}  // namespace
