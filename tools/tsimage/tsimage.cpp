// tsimage: what an image file holds, and conversion between image formats.
//
//   tsimage info FILE        format, size, bits per pixel and alpha
//   tsimage convert IN OUT   decodes IN (any known format) and writes OUT in
//                            the format its extension names: .bmp, .png,
//                            .jpg or .jpeg
//
// Exit status: 0 done, 1 the file could not be read, decoded or written (the
// codec's message is printed), 2 bad usage.
#include "engine/image/TSImage.h"

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

namespace {

constexpr const char* kUsage = "usage: tsimage info FILE | tsimage convert IN OUT(.bmp|.png|.jpg|.jpeg)\n";

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

// The codec's message, or `otherwise` when the image refused by itself.
const char* Reason(const CTSImage& image, const char* otherwise) {
  return image.GetLastError()[0] != '\0' ? image.GetLastError() : otherwise;
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

int Info(const std::string& path) {
  std::vector<char> bytes;
  if (!ReadFile(path, bytes)) return Failure(path, "cannot read the file");
  CTSUsePtr<CTSIOStream> stream(StreamOver(bytes));
  CDibImage image;
  CDibStreamFile file(stream.Get());
  if (!image.Decode(&file, CDibImage::FORMAT_UNKNOWN)) return Failure(path, image.GetLastError());
  const DWORD type = image.GetType();
  std::printf("format: %s\nwidth: %u\nheight: %u\nbits per pixel: %u\nalpha: %s\n",
              type < CDibImage::FORMAT_COUNT ? kFormatNames[type] : "unknown", unsigned(image.GetWidth()),
              unsigned(image.GetHeight()), unsigned(image.GetBitsPerPixel()),
              image.HasAlphaChannel() ? "yes" : "no");
  return 0;
}

// The image format code OUT's extension names, or IMAGE_FORMAT_DETECT for
// an extension tsimage does not write.
INT FormatOfExtension(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return IMAGE_FORMAT_DETECT;
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  if (extension == "bmp") return IMAGE_FORMAT_BMP;
  if (extension == "png") return IMAGE_FORMAT_PNG;
  if (extension == "jpg" || extension == "jpeg") return IMAGE_FORMAT_JPEG;
  return IMAGE_FORMAT_DETECT;
}

int Convert(const std::string& in, const std::string& out) {
  const INT format = FormatOfExtension(out);
  if (format == IMAGE_FORMAT_DETECT) {
    std::fprintf(stderr, "tsimage: %s: unknown output extension (use .bmp, .png, .jpg or .jpeg)\n",
                 out.c_str());
    return 2;
  }
  std::vector<char> bytes;
  if (!ReadFile(in, bytes)) return Failure(in, "cannot read the file");
  CTSUsePtr<CTSImage> image(new CTSImage);
  {
    CTSUsePtr<CTSIOStream> source(StreamOver(bytes));
    if (!image->Load(source.Get(), IMAGE_FORMAT_DETECT))
      return Failure(in, Reason(*image.Get(), "cannot decode the file"));
  }
  // Streams on files never truncate them: start from an empty file.
  if (!std::ofstream(out, std::ios::binary | std::ios::trunc)) return Failure(out, "cannot write the file");
  bool saved;
  {
    CTSUsePtr<CTSIOStream> target(new CTSIOStream(out.c_str(), CTSIOStream::kWrite, false));
    saved = target->CanWrite() && image->Save(target.Get(), format);
  }
  if (saved) return 0;
  std::remove(out.c_str());
  return Failure(out, Reason(*image.Get(), "cannot write the file"));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "info") == 0) return Info(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "convert") == 0) return Convert(argv[2], argv[3]);
  return Usage();
}
