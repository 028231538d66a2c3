// The PCX codec: run-length coded scan lines of 1 to 4 bit planes, packed
// pixels of 1, 2, 4 or 8 bits in one plane, and three 8-bit planes of red,
// green and blue.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/image/codec/DibBytes.h"
#include "engine/image/codec/DibImage.h"
#include "engine/image/codec/DibMemFile.h"

namespace {

constexpr size_t kHeaderSize = 128;
constexpr BYTE kManufacturer = 10;
constexpr BYTE kRleEncoding = 1;
constexpr BYTE kMapSignature = 12;
constexpr long kMapSize = 1 + 256 * 3;  // signature and 256 entries at the end of the file
constexpr BYTE kRunMark = 0xC0;
constexpr DWORD kLongestRun = 0x3F;


// Decodes the run-length coded bytes of the picture, reading the file through
// a buffer and never past `available` bytes. Runs may carry over from one scan
// line to the next, never past the picture's last byte.
class PcxRunReader {
 public:
  PcxRunReader(CDibFile* file, uint64_t available, uint64_t pictureBytes)
      : m_file(file), m_available(available), m_pictureLeft(pictureBytes) {}

  // Null when `count` bytes were decoded, else the reason they were not.
  const char* Read(BYTE* out, size_t count) {
    size_t done = 0;
    while (done < count) {
      if (m_runLeft == 0) {
        BYTE code;
        if (!NextByte(&code)) return "Can't read PCX image";
        m_runLeft = 1;
        m_runValue = code;
        if ((code & kRunMark) == kRunMark) {
          m_runLeft = code & kLongestRun;
          if (!NextByte(&m_runValue)) return "Can't read PCX image";
          if (m_runLeft > m_pictureLeft) return "repeat count spans end of image";
        }
        m_pictureLeft -= m_runLeft;
      }
      size_t n = std::min<size_t>(m_runLeft, count - done);
      memset(out + done, m_runValue, n);
      done += n;
      m_runLeft -= n;
    }
    return nullptr;
  }

 private:
  bool NextByte(BYTE* value) {
    if (m_next == m_end) {
      size_t wanted = static_cast<size_t>(std::min<uint64_t>(sizeof(m_buffer), m_available));
      size_t got = wanted == 0 ? 0 : m_file->Read(m_buffer, 1, wanted);
      if (got == 0) return false;
      m_available -= got;
      m_next = 0;
      m_end = got;
    }
    *value = m_buffer[m_next++];
    return true;
  }

  CDibFile* m_file;
  uint64_t m_available;
  uint64_t m_pictureLeft;
  size_t m_runLeft = 0;
  BYTE m_runValue = 0;
  BYTE m_buffer[4096];
  size_t m_next = 0;
  size_t m_end = 0;
};

// Codes one plane of a scan line; runs stop at its end.
void PutRuns(const BYTE* in, size_t count, BYTE* out, size_t* length) {
  for (size_t i = 0; i < count;) {
    BYTE value = in[i];
    size_t run = 1;
    while (i + run < count && run < kLongestRun && in[i + run] == value) ++run;
    if (run > 1 || (value & kRunMark) == kRunMark) out[(*length)++] = static_cast<BYTE>(kRunMark | run);
    out[(*length)++] = value;
    i += run;
  }
}

}  // namespace

bool CDibImage::DecodePcx(CDibFile* file) {
  BYTE header[kHeaderSize];
  long start = file->Tell();
  if (file->Read(header, sizeof(header), 1) != 1 || header[0] != kManufacturer || header[1] > 5)
    return Fail("Error: Not a PCX file");
  if (header[2] != kRleEncoding) return Fail("PCX file has unknown encoding scheme");
  DWORD bits = header[3];
  DWORD planes = header[65];
  if (bits == 1 && planes > 4) return Fail("Can't handle more than 4 planes");
  if (planes > 4) return Fail("Can't handle image with more than 4 planes");
  if ((bits == 2 || bits == 4) && planes > 1) return Fail("Can't handle more than 1 bit per pixel");
  if (bits == 8 && planes != 1 && planes != 3)
    return Fail("Can't handle packed pixels with more than 1 plane.");
  DWORD xMin = Le16(header + 4), yMin = Le16(header + 6), xMax = Le16(header + 8), yMax = Le16(header + 10);
  DWORD bytesPerLine = Le16(header + 66);
  if ((bits != 1 && bits != 2 && bits != 4 && bits != 8) || planes == 0 || xMax < xMin || yMax < yMin)
    return Fail("corrupted PCX");
  DWORD width = xMax - xMin + 1;
  DWORD height = yMax - yMin + 1;
  // Odd line lengths break the format's rule but common writers produce them.
  if (bytesPerLine < (width * bits + 7) / 8) return Fail("corrupted PCX");

  if (m_info.escape == -1) {
    m_header.biWidth = static_cast<LONG>(width);
    m_header.biHeight = static_cast<LONG>(height);
    return Fail("output dimensions returned");
  }
  if (Cancelled()) return Fail("Cancelled");

  // 8-bit indexes take their colours from the map at the end of the file; the
  // picture's data stops before it.
  bool endMap = bits == 8 && planes == 1;
  long fileSize = file->Size();
  uint64_t available = UINT64_MAX;
  if (fileSize >= 0 && start >= 0) available = fileSize - std::min<long>(fileSize, start + kHeaderSize);
  BYTE map[kMapSize];
  if (endMap) {
    if (fileSize < 0 || available < static_cast<uint64_t>(kMapSize) || !file->Seek(fileSize - kMapSize, 0) ||
        file->Read(map, sizeof(map), 1) != 1 || map[0] != kMapSignature ||
        !file->Seek(start + static_cast<long>(kHeaderSize), 0))
      return Fail("bad color map signature");
    available -= kMapSize;
  }
  // Two bytes code at most 63 bytes of the picture: a file too short for it
  // is refused before memory is claimed.
  size_t lineBytes = static_cast<size_t>(bytesPerLine) * planes;
  uint64_t pictureBytes = static_cast<uint64_t>(lineBytes) * height;
  if (available < (pictureBytes + kLongestRun - 1) / kLongestRun * 2) return Fail("Can't read PCX image");

  DWORD containerBits = bits == 8 && planes == 3 ? 24 : bits == 8 ? 8 : bits * planes == 1 ? 1 : 4;
  if (Create(width, height, containerBits, FORMAT_PCX) == nullptr) return false;
  if (Le16(header + 12) != 0) SetXDpi(Le16(header + 12));
  if (Le16(header + 14) != 0) SetYDpi(Le16(header + 14));
  const BYTE* colors = endMap ? map + 1 : header + 16;
  for (DWORD i = 0; i < m_header.biClrUsed; ++i) {
    const BYTE* rgb = colors + i * 3;
    Palette()[i] = RGBQUAD{rgb[2], rgb[1], rgb[0], 0};
  }
  // Monochrome files often leave the header palette blank: black and white then.
  constexpr BYTE kBlank[6] = {};
  if (containerBits == 1 && memcmp(header + 16, kBlank, sizeof(kBlank)) == 0) {
    Palette()[0] = RGBQUAD{0, 0, 0, 0};
    Palette()[1] = RGBQUAD{255, 255, 255, 0};
  }
  if (Cancelled()) return Fail("Cancelled");

  BYTE* line = static_cast<BYTE*>(malloc(lineBytes));
  if (line == nullptr) return Fail("Can't read PCX image");
  PcxRunReader reader(file, available, pictureBytes);
  const char* failure = nullptr;
  for (DWORD r = 0; r < height && failure == nullptr; ++r) {
    failure = reader.Read(line, lineBytes);
    if (failure != nullptr) break;
    DWORD y = height - 1 - r;
    BYTE* out = GetBits(y);
    if (containerBits == 24) {
      for (DWORD x = 0; x < width; ++x) {
        out[x * 3] = line[2 * bytesPerLine + x];
        out[x * 3 + 1] = line[bytesPerLine + x];
        out[x * 3 + 2] = line[x];
      }
    } else if (bits == containerBits) {
      memcpy(out, line, (width * bits + 7) / 8);
    } else if (bits == 2) {
      for (DWORD x = 0; x < width; ++x)
        SetPixelIndex(x, y, static_cast<BYTE>(line[x / 4] >> (6 - 2 * (x % 4)) & 3));
    } else {
      // One bit of the index from each plane, plane 0 the lowest.
      for (DWORD x = 0; x < width; ++x) {
        DWORD index = 0;
        for (DWORD p = 0; p < planes; ++p)
          index |= ((line[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << p;
        SetPixelIndex(x, y, static_cast<BYTE>(index));
      }
    }
  }
  free(line);
  if (failure != nullptr) return Fail(failure);
  return true;
}

// 1-bit images are written as one plane, 4-bit ones as four planes of one bit,
// 8-bit ones as one plane with the colour map at the end, 24-bit ones as three
// 8-bit planes of red, green and blue.
bool CDibImage::EncodePcx(CDibFile* file) {
  DWORD width = GetWidth();
  DWORD height = GetHeight();
  WORD bits = GetBitsPerPixel();
  DWORD planeBits = bits == 4 ? 1 : bits == 24 ? 8 : bits;
  DWORD planes = bits == 4 ? 4 : bits == 24 ? 3 : 1;
  uint64_t bytesPerLine = ((static_cast<uint64_t>(width) * planeBits + 7) / 8 + 1) & ~1ull;
  if (width > 0x10000 || height > 0x10000 || bytesPerLine > 0xFFFF) return Fail("Image too large for PCX");

  BYTE header[kHeaderSize] = {kManufacturer, 5, kRleEncoding, static_cast<BYTE>(planeBits)};
  PutLe16(header + 8, width - 1);
  PutLe16(header + 10, height - 1);
  PutLe16(header + 12, static_cast<DWORD>(std::clamp(m_info.xDpi, 0L, 0xFFFFL)));
  PutLe16(header + 14, static_cast<DWORD>(std::clamp(m_info.yDpi, 0L, 0xFFFFL)));
  if (bits <= 4) {
    for (DWORD i = 0; i < m_header.biClrUsed; ++i) {
      RGBQUAD color = Palette()[i];
      header[16 + i * 3] = color.rgbRed;
      header[17 + i * 3] = color.rgbGreen;
      header[18 + i * 3] = color.rgbBlue;
    }
  }
  header[65] = static_cast<BYTE>(planes);
  PutLe16(header + 66, static_cast<DWORD>(bytesPerLine));
  header[68] = 1;  // colour palette

  CDibMemFile memory;
  if (!memory.Open() || memory.Write(header, sizeof(header), 1) != 1) return Fail("cannot write PCX header");
  size_t lineBytes = static_cast<size_t>(bytesPerLine) * planes;
  // A line codes to at most twice its size.
  BYTE* line = static_cast<BYTE*>(calloc(3, lineBytes));
  if (line == nullptr) return Fail("can't allocate memory");
  BYTE* coded = line + lineBytes;
  bool written = true;
  for (DWORD r = 0; r < height && written; ++r) {
    DWORD y = height - 1 - r;
    const BYTE* in = GetBits(y);
    if (bits == 24) {
      for (DWORD x = 0; x < width; ++x) {
        line[x] = in[x * 3 + 2];
        line[bytesPerLine + x] = in[x * 3 + 1];
        line[2 * bytesPerLine + x] = in[x * 3];
      }
    } else if (bits == 4) {
      memset(line, 0, lineBytes);
      for (DWORD x = 0; x < width; ++x) {
        BYTE index = GetPixelIndex(x, y);
        for (DWORD p = 0; p < 4; ++p)
          line[p * bytesPerLine + x / 8] |= static_cast<BYTE>(((index >> p) & 1) << (7 - x % 8));
      }
    } else {
      memcpy(line, in, (width * bits + 7) / 8);
      // The bits past the last 1-bit pixel are zero.
      if (bits == 1 && width % 8 != 0) line[width / 8] &= static_cast<BYTE>(0xFF << (8 - width % 8));
    }
    size_t length = 0;
    for (DWORD p = 0; p < planes; ++p) PutRuns(line + p * bytesPerLine, bytesPerLine, coded, &length);
    written = memory.Write(coded, length, 1) == 1;
  }
  free(line);
  if (written && bits == 8) {
    BYTE map[kMapSize] = {kMapSignature};
    for (DWORD i = 0; i < 256; ++i) {
      RGBQUAD color = Palette()[i];
      map[1 + i * 3] = color.rgbRed;
      map[2 + i * 3] = color.rgbGreen;
      map[3 + i * 3] = color.rgbBlue;
    }
    written = memory.Write(map, sizeof(map), 1) == 1;
  }
  if (!written) return Fail("can't allocate memory");

  // The header first, so that a file refusing everything says so.
  const BYTE* bytes = memory.DetachBuffer(false);
  size_t size = static_cast<size_t>(memory.Size());
  if (file->Write(bytes, kHeaderSize, 1) != 1) return Fail("cannot write PCX header");
  if (file->Write(bytes + kHeaderSize, size - kHeaderSize, 1) != 1) return Fail("Write Error in PCX file");
  return true;
}
