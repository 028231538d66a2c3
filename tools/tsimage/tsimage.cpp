// tsimage: what an image file holds, and conversion between image formats.
//
//   tsimage info FILE        format, size, bits per pixel and alpha
//   tsimage convert IN OUT   decodes IN (any known format) and writes OUT in
//                            the format its extension names: .bmp, .gif,
//                            .jpg or .jpeg, .png, .ico, .tga, .pcx or .wbmp,
//                            with IN's bit depth and alpha where the format
//                            takes them: JPEG and TGA get 24 bits otherwise,
//                            WBMP black and white by luminance
//   tsimage compare A B [--tolerance N] [--mean M] [--exclude L,T,R,B]
//                            compares the colours of two pictures of the same
//                            size outside the rectangle [L,R) x [T,B): they
//                            match when no channel differs by more than N
//                            (default 0) and the mean channel difference is
//                            at most M (default N)
//
// Exit status: 0 done (for compare: the pictures match), 1 the file could not
// be read, decoded or written (the codec's message is printed, after the
// format name when the file's signature or extension names the codec that
// refused it), or the pictures differ, 2 bad usage.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/image/DibStreamFile.h"
#include "engine/image/codec/DibImage.h"
#include "engine/io/TSIOStream.h"
#include "engine/object/TSUseCountObject.h"

namespace {

constexpr const char* kUsage =
    "usage: tsimage info FILE\n"
    "       tsimage convert IN OUT(.bmp|.gif|.jpg|.jpeg|.png|.ico|.tga|.pcx|.wbmp)\n"
    "       tsimage compare A B [--tolerance N] [--mean M] [--exclude L,T,R,B]\n";

// Names of the codec layer's format ids.
constexpr const char* kFormatNames[CDibImage::FORMAT_COUNT] = {"unknown", "BMP", "GIF", "JPEG", "PNG",
                                                               "ICO",     "TGA", "PCX", "WBMP", "WMF"};

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int Failure(const std::string& path, const char* message) {
  std::fprintf(stderr, "tsimage: %s: %s\n", path.c_str(), message);
  return 1;
}

// The whole file, read without creating it (opening a stream on a missing
// file would). False when it cannot be read or is too large for a stream.
bool ReadFile(const std::string& path, std::vector<char>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad() && bytes.size() < size_t(INT32_MAX);
}

// A read-only stream over the bytes, which must outlive it. An empty file
// still gets a stream (of size 0), so that the codecs report it.
CTSIOStream* StreamOver(std::vector<char>& bytes) {
  static char empty = 0;
  return new CTSIOStream(bytes.empty() ? &empty : bytes.data(), int32_t(bytes.size()), CTSIOStream::kRead,
                         false);
}

// The format a path's extension names, or FORMAT_UNKNOWN for an extension
// tsimage does not write.
DWORD FormatOfExtension(const std::string& path) {
  static const struct {
    const char* extension;
    DWORD format;
  } kExtensions[] = {
      {"bmp", CDibImage::FORMAT_BMP},  {"gif", CDibImage::FORMAT_GIF}, {"jpg", CDibImage::FORMAT_JPG},
      {"jpeg", CDibImage::FORMAT_JPG}, {"png", CDibImage::FORMAT_PNG}, {"ico", CDibImage::FORMAT_ICO},
      {"tga", CDibImage::FORMAT_TGA},  {"pcx", CDibImage::FORMAT_PCX}, {"wbmp", CDibImage::FORMAT_WBMP}};
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return CDibImage::FORMAT_UNKNOWN;
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  for (const auto& known : kExtensions)
    if (extension == known.extension) return known.format;
  return CDibImage::FORMAT_UNKNOWN;
}

// The format a file's first bytes name, or FORMAT_UNKNOWN (TGA and WBMP files
// carry no signature).
DWORD FormatOfSignature(const std::vector<char>& bytes) {
  static const struct {
    const char* signature;
    size_t length;
    DWORD format;
  } kSignatures[] = {{"BM", 2, CDibImage::FORMAT_BMP},       {"\x89PNG\r\n\x1a\n", 8, CDibImage::FORMAT_PNG},
                     {"GIF8", 4, CDibImage::FORMAT_GIF},     {"\xFF\xD8", 2, CDibImage::FORMAT_JPG},
                     {"\0\0\1\0", 4, CDibImage::FORMAT_ICO}, {"\xD7\xCD\xC6\x9A", 4, CDibImage::FORMAT_WMF},
                     {"\x0A", 1, CDibImage::FORMAT_PCX}};
  for (const auto& known : kSignatures)
    if (bytes.size() >= known.length && std::memcmp(bytes.data(), known.signature, known.length) == 0)
      return known.format;
  return CDibImage::FORMAT_UNKNOWN;
}

// Why no codec read the file: the format its signature names (or, without
// one, its extension) and that codec's own reason; detection's message when
// neither names a format.
std::string Refusal(const std::string& path, std::vector<char>& bytes, const char* detection) {
  DWORD format = FormatOfSignature(bytes);
  if (format == CDibImage::FORMAT_UNKNOWN) format = FormatOfExtension(path);
  if (format == CDibImage::FORMAT_UNKNOWN) return detection;
  CTSUsePtr<CTSIOStream> stream(StreamOver(bytes));
  CDibStreamFile file(stream.Get());
  CDibImage image;
  if (image.Decode(&file, format)) return detection;
  return std::string(kFormatNames[format]) + ": " + image.GetLastError();
}

// Reads and decodes a whole file into `image`; the reason when it cannot.
std::string Load(const std::string& path, CDibImage& image) {
  std::vector<char> bytes;
  if (!ReadFile(path, bytes)) return "cannot read the file";
  CTSUsePtr<CTSIOStream> stream(StreamOver(bytes));
  CDibStreamFile file(stream.Get());
  if (!image.Decode(&file, CDibImage::FORMAT_UNKNOWN)) return Refusal(path, bytes, image.GetLastError());
  return {};
}

int Info(const std::string& path) {
  CDibImage image;
  if (const std::string reason = Load(path, image); !reason.empty()) return Failure(path, reason.c_str());
  const DWORD type = image.GetType();
  std::printf("format: %s\nwidth: %u\nheight: %u\nbits per pixel: %u\nalpha: %s\n",
              type < CDibImage::FORMAT_COUNT ? kFormatNames[type] : "unknown", unsigned(image.GetWidth()),
              unsigned(image.GetHeight()), unsigned(image.GetBitsPerPixel()),
              image.HasAlphaChannel() ? "yes" : "no");
  return 0;
}

bool IsGrey(const CDibImage& image) {
  if (image.GetBitsPerPixel() != 8) return false;
  for (int i = 0; i < 256; ++i) {
    const RGBQUAD color = image.GetPaletteColor(BYTE(i));
    if (color.rgbRed != i || color.rgbGreen != i || color.rgbBlue != i) return false;
  }
  return true;
}

// Replaces `image` by a copy of `bits` bits per pixel: 24 keeps the colours
// and alpha; 1 makes each pixel white when its luminance is 128 or more,
// black otherwise. Gives the reason when the copy cannot be made.
std::string Reduce(CDibImage& image, WORD bits) {
  CDibImage copy;
  const DWORD width = image.GetWidth(), height = image.GetHeight();
  if (copy.Create(width, height, bits, image.GetType()) == nullptr) return copy.GetLastError();
  const bool alpha = bits == 24 && image.HasAlphaChannel();
  if (alpha && !copy.CreateAlphaChannel()) return "cannot allocate the alpha channel";
  const RGBQUAD black = {0, 0, 0, 0}, white = {255, 255, 255, 0};
  copy.SetPaletteColor(0, black);
  copy.SetPaletteColor(1, white);
  for (DWORD y = 0; y < height; ++y) {
    for (DWORD x = 0; x < width; ++x) {
      RGBQUAD color = image.ReadPixel(long(x), long(y), alpha);
      if (bits == 1) {
        const int luminance = 299 * color.rgbRed + 587 * color.rgbGreen + 114 * color.rgbBlue;  // x 1000
        color = luminance >= 128 * 1000 ? white : black;
      }
      copy.WritePixel(long(x), long(y), color, alpha);
    }
  }
  image.TakeOver(copy);
  return {};
}

// Brings the picture to a depth the output format takes; gives the reason
// when it cannot.
std::string FitFormat(CDibImage& image, DWORD format) {
  const WORD bits = image.GetBitsPerPixel();
  if (format == CDibImage::FORMAT_JPG && bits != 24 && !IsGrey(image)) return Reduce(image, 24);
  if (format == CDibImage::FORMAT_TGA && bits != 8 && bits != 24) return Reduce(image, 24);
  if (format == CDibImage::FORMAT_WBMP && bits != 1) return Reduce(image, 1);
  return {};
}

int Convert(const std::string& in, const std::string& out) {
  const DWORD format = FormatOfExtension(out);
  if (format == CDibImage::FORMAT_UNKNOWN) {
    std::fprintf(
        stderr,
        "tsimage: %s: unknown output extension (use .bmp, .gif, .jpg, .jpeg, .png, .ico, .tga, .pcx or "
        ".wbmp)\n",
        out.c_str());
    return 2;
  }
  CDibImage image;
  if (const std::string reason = Load(in, image); !reason.empty()) return Failure(in, reason.c_str());
  if (const std::string reason = FitFormat(image, format); !reason.empty())
    return Failure(out, reason.c_str());
  // Streams on files never truncate them: start from an empty file.
  if (!std::ofstream(out, std::ios::binary | std::ios::trunc)) return Failure(out, "cannot write the file");
  const char* reason = "cannot write the file";
  {
    CTSUsePtr<CTSIOStream> target(new CTSIOStream(out.c_str(), CTSIOStream::kWrite, false));
    if (target->CanWrite()) {
      CDibStreamFile file(target.Get());
      if (image.Encode(&file, format)) return 0;
      reason = image.GetLastError();
    }
  }
  std::remove(out.c_str());
  return Failure(out, reason);
}

// A non-negative decimal number filling the whole text.
bool ParseNumber(const char* text, long& value) {
  char* end = nullptr;
  value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && value >= 0;
}

int Compare(int argc, char** argv) {
  long tolerance = 0;
  double meanLimit = -1;
  RECT excluded = {0, 0, 0, 0};
  for (int i = 4; i < argc; i += 2) {
    if (i + 1 >= argc) return Usage();
    const std::string option = argv[i];
    long value = 0;
    if (option == "--tolerance" && ParseNumber(argv[i + 1], value)) {
      tolerance = value;
    } else if (option == "--mean" && ParseNumber(argv[i + 1], value)) {
      meanLimit = double(value);
    } else if (long l, t, r, b;
               option == "--exclude" && std::sscanf(argv[i + 1], "%ld,%ld,%ld,%ld", &l, &t, &r, &b) == 4) {
      excluded = {LONG(l), LONG(t), LONG(r), LONG(b)};
    } else {
      return Usage();
    }
  }
  if (meanLimit < 0) meanLimit = double(tolerance);
  CDibImage first, second;
  if (const std::string reason = Load(argv[2], first); !reason.empty())
    return Failure(argv[2], reason.c_str());
  if (const std::string reason = Load(argv[3], second); !reason.empty())
    return Failure(argv[3], reason.c_str());
  const DWORD width = first.GetWidth(), height = first.GetHeight();
  if (second.GetWidth() != width || second.GetHeight() != height) {
    std::fprintf(stderr, "tsimage: the sizes differ: %ux%u and %ux%u\n", unsigned(width), unsigned(height),
                 unsigned(second.GetWidth()), unsigned(second.GetHeight()));
    return 1;
  }
  long worst = 0, differing = 0, worstX = -1, worstY = -1;
  double total = 0;
  size_t channels = 0;
  for (long y = 0; y < long(height); ++y) {
    for (long x = 0; x < long(width); ++x) {
      if (x >= excluded.left && x < excluded.right && y >= excluded.top && y < excluded.bottom) continue;
      // Rows are stored bottom up; x and y count from the top left.
      const long stored = long(height) - 1 - y;
      const RGBQUAD a = first.ReadPixel(x, stored), b = second.ReadPixel(x, stored);
      const long differences[3] = {std::labs(long(a.rgbRed) - b.rgbRed),
                                   std::labs(long(a.rgbGreen) - b.rgbGreen),
                                   std::labs(long(a.rgbBlue) - b.rgbBlue)};
      const long largest = std::max({differences[0], differences[1], differences[2]});
      if (largest > 0) ++differing;
      if (largest > worst) {
        worst = largest;
        worstX = x;
        worstY = y;
      }
      total += double(differences[0] + differences[1] + differences[2]);
      channels += 3;
    }
  }
  const double mean = channels == 0 ? 0 : total / double(channels);
  std::printf("differing pixels: %ld\nworst channel difference: %ld", differing, worst);
  if (worst > 0) std::printf(" (at %ld,%ld)", worstX, worstY);
  std::printf("\nmean channel difference: %.3f\n", mean);
  return worst <= tolerance && mean <= meanLimit ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "info") == 0) return Info(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "convert") == 0) return Convert(argv[2], argv[3]);
  if (argc >= 4 && std::strcmp(argv[1], "compare") == 0) return Compare(argc, argv);
  return Usage();
}
