// The tsimage tool run as a process in a temporary folder: what info prints,
// one conversion per output extension read back through the codec layer, and
// the exit status and message of the failures.
#include <unistd.h>

#include "tests/common/RunTool.h"
#include "tests/image/CodecTestSupport.h"

const std::string kFixtures = std::string(TESSEL_IMAGE_FIXTURES) + "/";

// {input, output, codec, bits (0: the codec's choice), alpha, largest error}:
// the output decodes to the input's picture; the depth is kept where the
// format takes it, JPEG and TGA get 24 bits otherwise (a grey JPEG stays 8),
// WBMP is white where the luminance is 128 or more; PNG, ICO and TGA keep alpha.
TEST(TsImageTool, InfoAndConvertToEveryExtension) {
  TempFolder folder;
  EXPECT_EQ(RunTool(TSIMAGE_PATH, "info " + kFixtures + "pcx-pal16.pcx").out,
            "format: PCX\nwidth: 11\nheight: 6\nbits per pixel: 4\nalpha: no\n");
  const std::tuple<const char*, const char*, DWORD, WORD, bool, int> cases[] = {
      {"tga-rgb.tga", "a.gif", CDibImage::FORMAT_GIF, 0, false, 0},
      {"tga-rgba-top-rle.tga", "a.PNG", CDibImage::FORMAT_PNG, 24, true, 0},
      {"tga-rgba-top-rle.tga", "a.ico", CDibImage::FORMAT_ICO, 24, true, 0},
      {"pcx-pal8.pcx", "a.tga", CDibImage::FORMAT_TGA, 8, false, 0},
      {"pcx-pal16.pcx", "b.tga", CDibImage::FORMAT_TGA, 24, false, 0},
      {"pcx-pal16.pcx", "a.pcx", CDibImage::FORMAT_PCX, 4, false, 0},
      {"tga-rgb.tga", "a.wbmp", CDibImage::FORMAT_WBMP, 1, false, 0},
      {"tga-grey.tga", "a.jpg", CDibImage::FORMAT_JPG, 8, false, 40},
      {"flat.bmp", "a.JPEG", CDibImage::FORMAT_JPG, 24, false, 3}};
  BmpSpec flat{.width = 8, .height = 8, .bits = 4, .colorsUsed = 1, .pixels = Bytes(32, 0)};
  flat.palette = {{40, 150, 220, 0}};
  WriteBytes("flat.bmp", MakeBmp(flat));
  for (const auto& [in, out, format, bits, alpha, tolerance] : cases) {
    const std::string path = std::string(in) == "flat.bmp" ? in : kFixtures + in;
    ASSERT_EQ(RunTool(TSIMAGE_PATH, "convert " + path + " " + out).status, 0) << out;
    CDibImage src, dst;
    ASSERT_TRUE(DecodeBytes(src, ReadBytes(path), 0) && DecodeBytes(dst, ReadBytes(out), format)) << out;
    const uint32_t width = src.GetWidth(), height = src.GetHeight();
    ASSERT_EQ(std::tuple(dst.GetBitsPerPixel(), dst.HasAlphaChannel(), dst.GetWidth(), dst.GetHeight()),
              std::tuple(bits ? bits : dst.GetBitsPerPixel(), alpha, width, height))
        << out;
    int largest = 0;
    for (uint32_t i = 0, x = 0, y = 0; i < width * height; x = ++i % width, y = i / width) {
      RGBQUAD a = TopDownPixel(src, x, y, alpha), b = TopDownPixel(dst, x, y, alpha);
      const BYTE level = 299 * a.rgbRed + 587 * a.rgbGreen + 114 * a.rgbBlue >= 128000 ? 255 : 0;
      a = format == CDibImage::FORMAT_WBMP ? RGBQUAD{level, level, level, 0} : a;
      for (int shift = 0; shift < 32; shift += 8)
        largest = std::max(largest, std::abs(int(Argb(a) >> shift & 255) - int(Argb(b) >> shift & 255)));
    }
    EXPECT_LE(largest, tolerance) << out;
  }
  // compare: 2x2 pictures differing by 9 in red at the top right, (1,0) from
  // the top left; excluding that pixel makes them match.
  WriteBytes("black.bmp", MakeBmp(BmpSpec{.width = 2, .height = 2, .pixels = Bytes(16, 0)}));
  Bytes redder(16, 0);
  redder[13] = 9;  // rows are stored bottom up, padded to 8 bytes; BGR
  WriteBytes("redder.bmp", MakeBmp(BmpSpec{.width = 2, .height = 2, .pixels = redder}));
  const ToolRun differ = RunTool(TSIMAGE_PATH, "compare black.bmp redder.bmp");
  EXPECT_EQ(std::tuple(differ.status, differ.out),
            std::tuple(1, std::string("differing pixels: 1\nworst channel difference: 9 (at 1,0)\n"
                                      "mean channel difference: 0.750\n")));
  EXPECT_EQ(RunTool(TSIMAGE_PATH, "compare black.bmp redder.bmp --exclude 1,0,2,1").status, 0);
}

// Exit status 2 for bad usage, 1 when a file cannot be read, decoded or
// written, with the reason (a refused file's claimed format and its codec's
// reason); no output file is left behind, and an existing longer one is
// replaced whole.
TEST(TsImageTool, FailuresGiveTheirStatusAndReason) {
  TempFolder folder;
  const std::string good = kFixtures + "tga-rgb.tga";
  const std::string usage =
      "usage: tsimage info FILE\n"
      "       tsimage convert IN OUT(.bmp|.gif|.jpg|.jpeg|.png|.ico|.tga|.pcx|.wbmp)\n"
      "       tsimage compare A B [--tolerance N] [--mean M] [--exclude L,T,R,B]\n";
  WriteBytes("wide.bmp", MakeBmp(BmpSpec{.width = 257, .height = 1, .pixels = Bytes(257 * 3 + 1, 9)}));
  WriteBytes("long.bmp", Bytes(10000, 'x'));  // replaced whole
  auto expect = [](const std::string& arguments, int status, const std::string& errors) {
    ToolRun run = RunTool(TSIMAGE_PATH, arguments);
    EXPECT_EQ(std::tuple(run.status, run.errors, run.out), std::tuple(status, errors, std::string()))
        << arguments;
  };
  for (const std::string& arguments :
       {std::string(), std::string("info"), "info " + good + " extra", "convert " + good, "show " + good,
        "compare " + good + " " + good + " --mean", "compare " + good + " " + good + " --exclude 1,2"})
    expect(arguments, 2, usage);
  expect("convert " + good + " dir.png/out", 2,
         "tsimage: dir.png/out: unknown output extension (use .bmp, .gif, .jpg, .jpeg, .png, .ico, .tga, "
         ".pcx or .wbmp)\n");
  expect("convert missing.png out.png", 1, "tsimage: missing.png: cannot read the file\n");
  expect("info " + kFixtures + "make-gif-fixtures.sh", 1,
         "tsimage: " + kFixtures + "make-gif-fixtures.sh: Decode: Unknown or wrong format\n");
  // A file whose signature, or else extension, names a format: that codec's reason.
  WriteBytes("cut.bmp", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  WriteBytes("bad.tga", Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0});
  WriteBytes("cut.tga", Bytes(5, 0));
  expect("info cut.bmp", 1, "tsimage: cut.bmp: BMP: Error reading BMP info\n");
  expect("info bad.tga", 1, "tsimage: bad.tga: PNG: Read Error\n");
  expect("convert cut.tga out.png", 1, "tsimage: cut.tga: TGA: Not a TGA\n");
  expect("convert " + good + " nowhere/out.png", 1, "tsimage: nowhere/out.png: cannot write the file\n");
  expect("convert wide.bmp out.ico", 1, "tsimage: out.ico: Can't save this image as icon\n");
  expect("convert " + good + " long.bmp", 0, "");
  expect("convert " + good + " fresh.bmp", 0, "");
  for (const char* left : {"missing.png", "out.png", "out.ico"}) EXPECT_NE(access(left, F_OK), 0) << left;
  EXPECT_EQ(ReadBytes("long.bmp"), ReadBytes("fresh.bmp"));
}
