// The GIF codec: the first image of a GIF87a or GIF89a file, decoded from its
// LZW-coded data sub-blocks into a paletted image with the transparent index of
// its graphic control extension; written back as a single-image GIF89a file.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "engine/image/codec/DibBytes.h"
#include "engine/image/codec/DibImage.h"

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kMaxCodes = 1 << kMaxCodeBits;
constexpr BYTE kExtension = 0x21;
constexpr BYTE kImageSeparator = 0x2C;
constexpr BYTE kTrailer = 0x3B;
constexpr BYTE kGraphicControl = 0xF9;
constexpr BYTE kPlainText = 0x01;
constexpr BYTE kTableFlag = 0x80;  // colour table present, in screen and image flags
constexpr BYTE kInterlaceFlag = 0x40;
constexpr BYTE kTransparentFlag = 0x01;
constexpr size_t kMaxSubBlock = 255;
constexpr char kWriteError[] = "Write Error in GIF file";


// Reads a colour table of `count` red, green, blue entries.
bool ReadColorTable(CDibFile* file, RGBQUAD* table, int count) {
  BYTE rgb[256 * 3];
  if (file->Read(rgb, 3, count) != static_cast<size_t>(count)) return false;
  for (int i = 0; i < count; ++i) table[i] = RGBQUAD{rgb[i * 3 + 2], rgb[i * 3 + 1], rgb[i * 3], 0};
  return true;
}

// Reads an extension's sub-blocks up to their terminator. A graphic control
// extension sets the transparent index of the next image (-1 without its flag);
// a plain text extension uses it up.
bool ReadExtension(CDibFile* file, BYTE label, long* transIndex) {
  BYTE block[kMaxSubBlock];
  for (bool first = true;; first = false) {
    BYTE size;
    if (file->Read(&size, 1, 1) != 1) return false;
    if (size == 0) return true;
    if (file->Read(block, size, 1) != 1) return false;
    if (first && label == kGraphicControl && size >= 4)
      *transIndex = (block[0] & kTransparentFlag) ? block[3] : -1;
    if (first && label == kPlainText) *transIndex = -1;
  }
}

// Hands out the codes of an image's data sub-blocks, least significant bit
// first, reading one sub-block at a time.
class CodeReader {
 public:
  enum Status { kCode, kNoMoreData, kTruncated };

  explicit CodeReader(CDibFile* file) : m_file(file) {}

  Status Next(int bits, int* code) {
    while (m_bitCount < bits) {
      if (m_position == m_size) {
        BYTE size;
        if (m_ended) return kNoMoreData;
        if (m_file->Read(&size, 1, 1) != 1) return kTruncated;
        if (size == 0) {
          m_ended = true;
          return kNoMoreData;
        }
        if (m_file->Read(m_block, size, 1) != 1) return kTruncated;
        m_size = size;
        m_position = 0;
      }
      m_buffer |= static_cast<uint32_t>(m_block[m_position++]) << m_bitCount;
      m_bitCount += 8;
    }
    *code = static_cast<int>(m_buffer & ((1u << bits) - 1));
    m_buffer >>= bits;
    m_bitCount -= bits;
    return kCode;
  }

 private:
  CDibFile* m_file;
  BYTE m_block[kMaxSubBlock];
  size_t m_size = 0;
  size_t m_position = 0;
  uint32_t m_buffer = 0;
  int m_bitCount = 0;
  bool m_ended = false;
};

// Decodes LZW codes into `pixels` (`count` indexes in stream order). Pixels
// beyond `count` are dropped; data that ends early (at the sub-block
// terminator) leaves the rest as it is. False for a corrupt or truncated stream.
bool DecodeLzw(CodeReader& reader, int minCodeSize, BYTE* pixels, size_t count) {
  // Each code is a prefix code plus one last index; literal codes have no prefix.
  struct Entry {
    WORD prefix;
    WORD length;
    BYTE last;
    BYTE first;
  };
  Entry table[kMaxCodes];
  const int clear = 1 << minCodeSize;
  const int end = clear + 1;
  for (int i = 0; i < clear; ++i) table[i] = Entry{0, 1, static_cast<BYTE>(i), static_cast<BYTE>(i)};
  int bits = minCodeSize + 1;
  int next = clear + 2;
  int previous = -1;
  size_t position = 0;
  for (;;) {
    int code;
    CodeReader::Status status = reader.Next(bits, &code);
    if (status == CodeReader::kNoMoreData) return true;
    if (status == CodeReader::kTruncated) return false;
    if (code == clear) {
      bits = minCodeSize + 1;
      next = clear + 2;
      previous = -1;
      continue;
    }
    if (code == end) return true;
    // A code may name the entry about to be made (previous string plus its own
    // first index), but nothing beyond it, and no string before a first code.
    if (code > next || (code == next && (previous < 0 || next == kMaxCodes))) return false;
    if (previous >= 0 && next < kMaxCodes) {
      // A full table is kept as it is until the next clear code.
      const Entry& before = table[previous];
      BYTE head = code == next ? before.first : table[code].first;
      table[next] =
          Entry{static_cast<WORD>(previous), static_cast<WORD>(before.length + 1), head, before.first};
      if (++next == (1 << bits) && bits < kMaxCodeBits) ++bits;
    }
    size_t length = table[code].length;
    int walk = code;
    // Strings are written from their last index back; once the image is full
    // the rest of the stream is only checked.
    for (size_t i = position < count ? length : 0; i-- > 0; walk = table[walk].prefix) {
      if (position + i < count) pixels[position + i] = table[walk].last;
    }
    position = std::min(position + length, count);
    previous = code;
  }
}

// The picture row of the k-th row stored in an interlaced image: every 8th row
// from 0, every 8th from 4, every 4th from 2, then every 2nd from 1.
DWORD InterlacedRow(DWORD k, DWORD height) {
  static constexpr DWORD kStart[] = {0, 4, 2, 1};
  static constexpr DWORD kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    DWORD rows = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
    if (k < rows) return kStart[pass] + k * kStep[pass];
    k -= rows;
  }
  return 0;
}

// Writes bytes to the file and remembers whether any write failed.
class ByteWriter {
 public:
  explicit ByteWriter(CDibFile* file) : m_file(file) {}
  void Put(const void* data, size_t size) {
    if (m_ok && size > 0) m_ok = m_file->Write(data, size, 1) == 1;
  }
  void Put(BYTE value) { Put(&value, 1); }
  void PutLe16(DWORD value) {
    BYTE bytes[2] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8)};
    Put(bytes, 2);
  }
  bool Ok() const { return m_ok; }

 private:
  CDibFile* m_file;
  bool m_ok = true;
};

// Packs codes least significant bit first into data sub-blocks of up to 255 bytes.
class CodeWriter {
 public:
  explicit CodeWriter(ByteWriter& out) : m_out(out) {}
  void Put(int code, int bits) {
    m_buffer |= static_cast<uint32_t>(code) << m_bitCount;
    m_bitCount += bits;
    while (m_bitCount >= 8) {
      PutByte(static_cast<BYTE>(m_buffer));
      m_buffer >>= 8;
      m_bitCount -= 8;
    }
  }
  // Writes the last bits, the last sub-block and the terminator.
  void Finish() {
    if (m_bitCount > 0) PutByte(static_cast<BYTE>(m_buffer));
    Flush();
    m_out.Put(BYTE{0});
  }

 private:
  void PutByte(BYTE value) {
    m_block[m_size++] = value;
    if (m_size == kMaxSubBlock) Flush();
  }
  void Flush() {
    if (m_size == 0) return;
    m_out.Put(static_cast<BYTE>(m_size));
    m_out.Put(m_block, m_size);
    m_size = 0;
  }

  ByteWriter& m_out;
  BYTE m_block[kMaxSubBlock];
  size_t m_size = 0;
  uint32_t m_buffer = 0;
  int m_bitCount = 0;
};

// LZW-codes `count` indexes below 1 << minCodeSize. Strings are found in an
// open-addressing table keyed by (prefix code, next index); a clear code
// starts afresh when the 4096 codes are used up.
void EncodeLzw(const BYTE* pixels, size_t count, int minCodeSize, CodeWriter& out) {
  constexpr int kSlotBits = 13;  // twice the codes: short probe runs
  constexpr uint32_t kSlots = 1u << kSlotBits;
  int32_t keys[kSlots];
  WORD codes[kSlots];
  const int clear = 1 << minCodeSize;
  int bits = minCodeSize + 1;
  int next = clear + 2;
  auto restart = [&] {
    out.Put(clear, bits);
    std::fill(keys, keys + kSlots, -1);
    bits = minCodeSize + 1;
    next = clear + 2;
  };
  // A reader widens its codes one code earlier than the table needs it: the
  // width goes up after any code written once the next free code reaches 1 << bits.
  auto emit = [&](int code) {
    out.Put(code, bits);
    if (next == (1 << bits) && bits < kMaxCodeBits) ++bits;
  };
  restart();
  int prefix = pixels[0];
  for (size_t i = 1; i < count; ++i) {
    int32_t key = prefix << 8 | pixels[i];
    uint32_t slot = (static_cast<uint32_t>(key) * 2654435761u) >> (32 - kSlotBits);
    while (keys[slot] != -1 && keys[slot] != key) slot = (slot + 1) & (kSlots - 1);
    if (keys[slot] == key) {
      prefix = codes[slot];
      continue;
    }
    emit(prefix);
    keys[slot] = key;
    codes[slot] = static_cast<WORD>(next++);
    if (next == kMaxCodes) restart();
    prefix = pixels[i];
  }
  emit(prefix);
  emit(clear + 1);
}

constexpr int kRedLevels = 6, kGreenLevels = 7, kBlueLevels = 6;

BYTE LevelValue(int level, int levels) {
  return static_cast<BYTE>((level * 255 + (levels - 1) / 2) / (levels - 1));
}

// The nearest of `levels` evenly spread values for every channel value (the
// lower one on a tie).
void NearestLevels(int levels, BYTE* nearest) {
  for (int value = 0; value < 256; ++value) {
    int best = 0;
    for (int level = 1; level < levels; ++level) {
      if (std::abs(LevelValue(level, levels) - value) < std::abs(LevelValue(best, levels) - value))
        best = level;
    }
    nearest[value] = static_cast<BYTE>(best);
  }
}

uint32_t Key(const BYTE* bgr) { return static_cast<uint32_t>(bgr[2]) << 16 | bgr[1] << 8 | bgr[0]; }

// Turns a 24-bit image into indexes (top row first) and a palette. Pixels with
// alpha below 128 share one transparent entry after the colours. Pictures of
// up to 256 colours (255 with transparency) keep them exactly; others are
// reduced to a fixed palette of 6 x 7 x 6 levels, each pixel to its nearest
// colour, without dithering.
void IndexTrueColor(const CDibImage& image, BYTE* indexes, std::vector<RGBQUAD>& palette, long* transIndex) {
  const DWORD width = image.GetWidth(), height = image.GetHeight();
  const bool alpha = image.HasAlphaChannel();
  auto transparent = [&](DWORD x, DWORD y) { return alpha && image.GetAlphaAt(x, y) < 128; };
  bool anyTransparent = false;
  std::vector<uint32_t> colors;  // sorted
  const size_t limit = 256;
  for (DWORD y = 0; y < height && colors.size() + anyTransparent <= limit; ++y) {
    const BYTE* row = image.GetBits(y);
    for (DWORD x = 0; x < width; ++x) {
      if (transparent(x, y)) {
        anyTransparent = true;
        continue;
      }
      uint32_t key = Key(row + x * 3);
      auto at = std::lower_bound(colors.begin(), colors.end(), key);
      if (at != colors.end() && *at == key) continue;
      colors.insert(at, key);
      if (colors.size() + anyTransparent > limit) break;
    }
  }
  const bool exact = colors.size() + anyTransparent <= limit;
  BYTE red[256], green[256], blue[256];
  if (exact) {
    for (uint32_t color : colors)
      palette.push_back(RGBQUAD{static_cast<BYTE>(color), static_cast<BYTE>(color >> 8),
                                static_cast<BYTE>(color >> 16), 0});
  } else {
    NearestLevels(kRedLevels, red);
    NearestLevels(kGreenLevels, green);
    NearestLevels(kBlueLevels, blue);
    for (int r = 0; r < kRedLevels; ++r) {
      for (int g = 0; g < kGreenLevels; ++g) {
        for (int b = 0; b < kBlueLevels; ++b)
          palette.push_back(
              RGBQUAD{LevelValue(b, kBlueLevels), LevelValue(g, kGreenLevels), LevelValue(r, kRedLevels), 0});
      }
    }
  }
  *transIndex = anyTransparent ? static_cast<long>(palette.size()) : -1;
  if (anyTransparent) palette.push_back(RGBQUAD{});
  for (DWORD y = 0; y < height; ++y) {
    const BYTE* row = image.GetBits(height - 1 - y);
    BYTE* out = indexes + static_cast<size_t>(y) * width;
    for (DWORD x = 0; x < width; ++x) {
      const BYTE* bgr = row + x * 3;
      if (transparent(x, height - 1 - y)) {
        out[x] = static_cast<BYTE>(*transIndex);
      } else if (exact) {
        out[x] = static_cast<BYTE>(std::lower_bound(colors.begin(), colors.end(), Key(bgr)) - colors.begin());
      } else {
        out[x] = static_cast<BYTE>((red[bgr[2]] * kGreenLevels + green[bgr[1]]) * kBlueLevels + blue[bgr[0]]);
      }
    }
  }
}

}  // namespace

bool CDibImage::DecodeGif(CDibFile* file) {
  BYTE header[13];
  if (file->Read(header, 6, 1) != 1 || memcmp(header, "GIF8", 4) != 0 ||
      (header[4] != '7' && header[4] != '9') || header[5] != 'a')
    return Fail("Not a GIF");
  if (file->Read(header + 6, 7, 1) != 1) return Fail("corrupted GIF");
  RGBQUAD globalTable[256], localTable[256];
  int globalCount = 0, localCount = 0;
  if (header[10] & kTableFlag) {
    globalCount = 2 << (header[10] & 7);
    if (!ReadColorTable(file, globalTable, globalCount)) return Fail("corrupted GIF");
  }

  // Extensions up to the first image; only its transparent index is kept.
  long transIndex = -1;
  BYTE descriptor[9];
  for (;;) {
    BYTE introducer, label;
    if (file->Read(&introducer, 1, 1) != 1) return Fail("corrupted GIF");
    if (introducer == kImageSeparator) break;
    // Anything else, the trailer included, before an image is corrupt.
    if (introducer != kExtension) return Fail("corrupted GIF");
    if (file->Read(&label, 1, 1) != 1 || !ReadExtension(file, label, &transIndex))
      return Fail("corrupted GIF");
  }
  if (file->Read(descriptor, sizeof(descriptor), 1) != 1) return Fail("corrupted GIF");
  // The picture is the first image at its own size, wherever it lies on the screen.
  DWORD width = Le16(descriptor + 4), height = Le16(descriptor + 6);
  BYTE flags = descriptor[8];
  if (width == 0 || height == 0) return Fail("corrupted GIF");
  if (m_info.escape == -1) {
    m_header.biWidth = static_cast<LONG>(width);
    m_header.biHeight = static_cast<LONG>(height);
    return Fail("output dimensions returned");
  }
  if (Cancelled()) return Fail("Cancelled");
  if (flags & kTableFlag) {
    localCount = 2 << (flags & 7);
    if (!ReadColorTable(file, localTable, localCount)) return Fail("corrupted GIF");
  }
  BYTE minCodeSize;
  if (file->Read(&minCodeSize, 1, 1) != 1 || minCodeSize < 2 || minCodeSize > 8) return Fail("corrupted GIF");

  const RGBQUAD* table = localCount != 0 ? localTable : globalTable;
  int colors = localCount != 0 ? localCount : globalCount;
  DWORD bits = colors == 0 ? 8 : colors <= 2 ? 1 : colors <= 16 ? 4 : 8;
  if (Create(width, height, bits, FORMAT_GIF) == nullptr) return false;
  if (colors == 0) {
    SetGrayPalette();  // no colour table: the indexes are grey levels
    colors = 256;
  } else {
    memcpy(Palette(), table, colors * sizeof(RGBQUAD));
  }
  size_t count = static_cast<size_t>(width) * height;
  std::unique_ptr<BYTE[]> pixels(new (std::nothrow) BYTE[count]());
  if (pixels == nullptr) return Fail("Can't allocate memory");
  CodeReader reader(file);
  if (!DecodeLzw(reader, minCodeSize, pixels.get(), count)) return Fail("corrupted GIF");
  if (Cancelled()) return Fail("Cancelled");

  // Rows go bottom-up into the container; indexes beyond the colour table become 0.
  bool interlaced = (flags & kInterlaceFlag) != 0;
  for (DWORD k = 0; k < height; ++k) {
    DWORD y = height - 1 - (interlaced ? InterlacedRow(k, height) : k);
    const BYTE* row = pixels.get() + static_cast<size_t>(k) * width;
    for (DWORD x = 0; x < width; ++x) SetPixelIndex(x, y, row[x] < colors ? row[x] : 0);
  }
  if (transIndex >= colors) transIndex = -1;
  SetTransIndex(transIndex);
  if (transIndex >= 0) {
    // The engine's image loader takes transparency from the alpha channel only.
    if (!CreateAlphaChannel()) return Fail("Can't allocate memory");
    for (DWORD y = 0; y < height; ++y) {
      for (DWORD x = 0; x < width; ++x) {
        if (GetPixelIndex(x, y) == transIndex) m_alpha[static_cast<size_t>(y) * width + x] = 0;
      }
    }
  }
  return true;
}

bool CDibImage::EncodeGif(CDibFile* file) {
  const DWORD width = GetWidth(), height = GetHeight();
  if (width > 0xFFFF || height > 0xFFFF) return Fail("GIF images are at most 65535 pixels wide and high");
  const size_t count = static_cast<size_t>(width) * height;
  std::unique_ptr<BYTE[]> indexes(new (std::nothrow) BYTE[count]);
  if (indexes == nullptr) return Fail("Can't allocate memory");
  std::vector<RGBQUAD> palette;
  long transIndex = -1;
  if (GetBitsPerPixel() == 24) {
    IndexTrueColor(*this, indexes.get(), palette, &transIndex);
  } else {
    palette.assign(Palette(), Palette() + GetNumColors());
    if (GetTransIndex() >= 0 && GetTransIndex() < static_cast<long>(palette.size()))
      transIndex = GetTransIndex();
    for (DWORD y = 0; y < height; ++y) {
      for (DWORD x = 0; x < width; ++x)
        indexes[static_cast<size_t>(y) * width + x] = GetPixelIndex(x, height - 1 - y);
    }
  }
  const int bits = palette.size() <= 2 ? 1 : palette.size() <= 16 ? 4 : 8;
  palette.resize(size_t{1} << bits);

  ByteWriter out(file);
  out.Put("GIF89a", 6);
  out.PutLe16(width);
  out.PutLe16(height);
  out.Put(static_cast<BYTE>(kTableFlag | (bits - 1) << 4 | (bits - 1)));
  out.Put(BYTE{0});  // background index
  out.Put(BYTE{0});  // no aspect ratio
  for (const RGBQUAD& color : palette) {
    BYTE rgb[3] = {color.rgbRed, color.rgbGreen, color.rgbBlue};
    out.Put(rgb, 3);
  }
  if (transIndex >= 0) {
    BYTE control[] = {kExtension, kGraphicControl, 4, kTransparentFlag, 0, 0, static_cast<BYTE>(transIndex),
                      0};
    out.Put(control, sizeof(control));
  }
  out.Put(kImageSeparator);
  out.PutLe16(0);
  out.PutLe16(0);
  out.PutLe16(width);
  out.PutLe16(height);
  out.Put(BYTE{0});  // no local table, not interlaced
  const int minCodeSize = std::max(bits, 2);
  out.Put(static_cast<BYTE>(minCodeSize));
  CodeWriter codes(out);
  EncodeLzw(indexes.get(), count, minCodeSize, codes);
  codes.Finish();
  out.Put(kTrailer);
  if (!out.Ok()) return Fail(kWriteError);
  return true;
}
