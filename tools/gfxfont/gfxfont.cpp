// gfxfont: builds a ".gfxFont" bitmap font from a BDF font or a ".hex" font
// (one "CODEPOINT:BITMAP" line per glyph, 16 rows of 8 to 32 pixels).
//
//   gfxfont --encoding N [--charset NAME] INPUT OUTPUT
//
// Single-byte codes 1 to 127 take the glyphs of the same code points (control
// characters are blank), code 128 the character the charset gives the byte
// 0x80, if any. Each cell of the encoding's double-byte grid takes the glyph
// of the character the charset maps its two bytes to, through iconv (on
// Windows, through the system's code page of the same name). Glyph
// height and half width come from the source font; cells without a glyph hold
// the fallback glyph, drawn from the source's U+FFFD or as a box.
#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A glyph as a box of advance x height pixels, row by row, 1 = set.
struct Glyph {
  int width = 0;
  std::vector<uint8_t> pixels;
};

struct SourceFont {
  int height = 0;
  int halfWidth = 0;
  std::map<uint32_t, Glyph> glyphs;
};

// The first error stops the program: reported on stderr, exit status 1.
struct Failure {
  std::string message;
};

[[noreturn]] void Fail(const std::string& message) { throw Failure{message}; }

std::optional<long> ParseInteger(std::string_view text, int base = 10) {
  long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Where(const std::string& path, int line) { return path + ":" + std::to_string(line) + ": "; }

constexpr uint32_t kMaxCodePoint = 0x10FFFF;
constexpr uint32_t kReplacement = 0xFFFD;
constexpr int kMaxGlyphSide = 255;  // the file's height is one byte

// ".hex": 16 rows; 32, 64, 96 or 128 hex digits give widths 8, 16, 24, 32.
SourceFont ReadHex(const std::string& path, std::istream& in) {
  SourceFont font;
  font.height = 16;
  font.halfWidth = 8;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    size_t colon = line.find(':');
    if (colon == std::string::npos) Fail(Where(path, number) + "expected CODEPOINT:BITMAP");
    auto code = ParseInteger(std::string_view(line).substr(0, colon), 16);
    if (!code || *code < 0 || *code > long(kMaxCodePoint) || colon > 8)
      Fail(Where(path, number) + "bad code point \"" + line.substr(0, colon) + "\"");
    std::string_view bits = std::string_view(line).substr(colon + 1);
    if (bits.size() == 0 || bits.size() % 32 != 0 || bits.size() > 128)
      Fail(Where(path, number) + "bitmap of " + std::to_string(bits.size()) +
           " digits (32, 64, 96 or 128 expected)");
    Glyph glyph;
    glyph.width = int(bits.size() / 32) * 8;
    glyph.pixels.assign(size_t(glyph.width) * 16, 0);
    int digitsPerRow = glyph.width / 4;
    for (size_t i = 0; i < bits.size(); ++i) {
      int digit = HexDigit(bits[i]);
      if (digit < 0) Fail(Where(path, number) + "bitmap has a character that is not a hex digit");
      int row = int(i) / digitsPerRow;
      int column = (int(i) % digitsPerRow) * 4;
      for (int b = 0; b < 4; ++b)
        glyph.pixels[size_t(row * glyph.width + column + b)] = (digit >> (3 - b)) & 1;
    }
    font.glyphs[uint32_t(*code)] = std::move(glyph);
  }
  if (font.glyphs.empty()) Fail(path + ": no glyphs");
  return font;
}

// BDF: glyphs placed on the font's baseline by their bounding boxes; the
// height is FONT_ASCENT + FONT_DESCENT (or the font's bounding box), the half
// width the widest advance among the printable ASCII characters.
SourceFont ReadBdf(const std::string& path, std::istream& in) {
  struct RawGlyph {
    long code = -1;
    long advance = -1;
    long boxWidth = 0, boxHeight = 0, boxX = 0, boxY = 0;
    bool hasBox = false;
    std::vector<std::string> rows;
  };
  std::vector<RawGlyph> raw;
  long ascent = -1, descent = -1;
  long fontBoxHeight = -1, fontBoxY = 0;
  bool started = false;
  enum { kHeader, kChar, kBitmap } state = kHeader;
  RawGlyph current;
  std::string line;
  int number = 0;

  auto integer = [&](std::string_view word, long low, long high) {
    auto value = ParseInteger(word);
    if (!value || *value < low || *value > high)
      Fail(Where(path, number) + "bad number \"" + std::string(word) + "\"");
    return *value;
  };

  while (std::getline(in, line)) {
    ++number;
    auto words = Words(line);
    if (words.empty()) continue;
    std::string_view key = words[0];
    if (!started) {
      if (key != "STARTFONT") Fail(Where(path, number) + "not a BDF file (no STARTFONT)");
      started = true;
      continue;
    }
    if (state == kBitmap) {
      if (key == "ENDCHAR") {
        if (long(current.rows.size()) != current.boxHeight)
          Fail(Where(path, number) + "glyph has " + std::to_string(current.rows.size()) +
               " bitmap rows, BBX says " + std::to_string(current.boxHeight));
        raw.push_back(std::move(current));
        current = RawGlyph();
        state = kHeader;
        continue;
      }
      if (long(current.rows.size()) >= current.boxHeight)
        Fail(Where(path, number) + "more bitmap rows than BBX height");
      if (long(key.size()) * 4 < current.boxWidth)
        Fail(Where(path, number) + "bitmap row shorter than BBX width");
      for (char c : key)
        if (HexDigit(c) < 0) Fail(Where(path, number) + "bitmap row is not hex");
      current.rows.emplace_back(key);
      continue;
    }
    if (key == "STARTCHAR") {
      if (state == kChar) Fail(Where(path, number) + "STARTCHAR inside a glyph");
      state = kChar;
    } else if (key == "ENDCHAR") {
      Fail(Where(path, number) + "ENDCHAR without BITMAP");
    } else if (state == kHeader) {
      if (key == "FONT_ASCENT" && words.size() >= 2) ascent = integer(words[1], 0, kMaxGlyphSide);
      if (key == "FONT_DESCENT" && words.size() >= 2) descent = integer(words[1], 0, kMaxGlyphSide);
      if (key == "FONTBOUNDINGBOX") {
        if (words.size() < 5) Fail(Where(path, number) + "FONTBOUNDINGBOX needs four numbers");
        fontBoxHeight = integer(words[2], 1, kMaxGlyphSide);
        fontBoxY = integer(words[4], -kMaxGlyphSide, kMaxGlyphSide);
      }
      if (key == "ENDFONT") break;
    } else if (key == "ENCODING") {
      if (words.size() < 2) Fail(Where(path, number) + "ENCODING needs a number");
      current.code = integer(words[1], -1, kMaxCodePoint);
    } else if (key == "DWIDTH") {
      if (words.size() < 2) Fail(Where(path, number) + "DWIDTH needs a number");
      current.advance = integer(words[1], 0, kMaxGlyphSide);
    } else if (key == "BBX") {
      if (words.size() < 5) Fail(Where(path, number) + "BBX needs four numbers");
      current.boxWidth = integer(words[1], 0, kMaxGlyphSide);
      current.boxHeight = integer(words[2], 0, kMaxGlyphSide);
      current.boxX = integer(words[3], -kMaxGlyphSide, kMaxGlyphSide);
      current.boxY = integer(words[4], -kMaxGlyphSide, kMaxGlyphSide);
      current.hasBox = true;
    } else if (key == "BITMAP") {
      if (!current.hasBox) Fail(Where(path, number) + "BITMAP before BBX");
      state = kBitmap;
    }
  }
  if (!started) Fail(path + ": empty file");
  if (state != kHeader) Fail(path + ": ends inside a glyph");

  SourceFont font;
  if (ascent >= 0 && descent >= 0 && ascent + descent > 0) {
    font.height = int(ascent + descent);
  } else if (fontBoxHeight > 0) {
    font.height = int(fontBoxHeight);
    ascent = fontBoxHeight + fontBoxY;
  } else {
    Fail(path + ": no FONT_ASCENT and FONT_DESCENT, nor FONTBOUNDINGBOX");
  }
  if (font.height > kMaxGlyphSide) Fail(path + ": glyph height above 255");

  for (const RawGlyph& g : raw) {
    if (g.code < 0) continue;  // glyphs without a code point
    Glyph glyph;
    glyph.width = int(g.advance >= 0 ? g.advance : g.boxWidth + std::max(0L, g.boxX));
    glyph.pixels.assign(size_t(glyph.width) * size_t(font.height), 0);
    // Row 0 of the box lies boxHeight + boxY rows above the baseline.
    long top = ascent - (g.boxHeight + g.boxY);
    for (long row = 0; row < g.boxHeight; ++row) {
      long y = top + row;
      if (y < 0 || y >= font.height) continue;
      for (long column = 0; column < g.boxWidth; ++column) {
        long x = g.boxX + column;
        if (x < 0 || x >= glyph.width) continue;
        int digit = HexDigit(g.rows[size_t(row)][size_t(column / 4)]);
        if ((digit >> (3 - column % 4)) & 1) glyph.pixels[size_t(y * glyph.width + x)] = 1;
      }
    }
    if (g.code >= 0x21 && g.code <= 0x7E) font.halfWidth = std::max(font.halfWidth, glyph.width);
    font.glyphs[uint32_t(g.code)] = std::move(glyph);
  }
  if (font.glyphs.empty()) Fail(path + ": no glyphs");
  if (font.halfWidth == 0) font.halfWidth = std::max(1, font.height / 2);
  if (font.halfWidth > font.height)
    Fail(path + ": single-byte glyphs of " + std::to_string(font.halfWidth) +
         " pixels are wider than the height " + std::to_string(font.height));
  return font;
}

// The bit stream of the output, least significant bit first.
class BitWriter {
 public:
  void Put(bool bit) {
    if ((m_count & 7) == 0) m_bytes.push_back(0);
    if (bit) m_bytes.back() |= uint8_t(1u << (m_count & 7));
    ++m_count;
  }
  // A cell of width x height: the glyph centred when narrower, cut at the
  // right when wider.
  void PutGlyph(const Glyph& glyph, int width, int height) {
    int offset = glyph.width < width ? (width - glyph.width) / 2 : 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        int sx = x - offset;
        Put(sx >= 0 && sx < glyph.width && glyph.pixels[size_t(y * glyph.width + sx)] != 0);
      }
  }
  const std::vector<uint8_t>& Bytes() const { return m_bytes; }

 private:
  std::vector<uint8_t> m_bytes;
  uint64_t m_count = 0;
};

Glyph Box(int width, int height) {
  Glyph box;
  box.width = width;
  box.pixels.assign(size_t(width) * height, 0);
  for (int y = 1; y + 1 < height; ++y)
    for (int x = 1; x + 1 < width; ++x)
      box.pixels[size_t(y * width + x)] = (y == 1 || y == height - 2 || x == 1 || x == width - 2);
  return box;
}

struct Encoding {
  int id;
  const char* charset;  // the default charset of the grid
  int leadLow, leadHigh;
  std::vector<std::pair<int, int>> trailRanges;
};

const Encoding kEncodings[] = {
    {1, "UHC", 0x81, 0xFF, {{0x00, 0xFF}}},
    {2, "", 0, -1, {}},
    {3, "GB2312", 0xA1, 0xFE, {{0xA1, 0xFE}}},
    {4, "GBK", 0x81, 0xFE, {{0x40, 0xFE}}},
    {5, "BIG5", 0xA1, 0xF9, {{0x40, 0x7E}, {0xA1, 0xFE}}},
    {6, "UCS-2BE", 0x00, 0xFF, {{0x00, 0xFF}}},
};

// Turns byte sequences of a charset into single code points.
#ifdef _WIN32
class Decoder {
 public:
  // The charsets gfxfont names by default, as Windows code pages; "CPnnn"
  // names any other.
  explicit Decoder(const std::string& charset) {
    static const struct {
      const char* name;
      UINT codePage;
    } kCodePages[] = {{"UHC", 949}, {"GB2312", 936}, {"GBK", 936}, {"BIG5", 950}, {"UCS-2BE", 1201}};
    for (const auto& known : kCodePages)
      if (_stricmp(charset.c_str(), known.name) == 0) m_codePage = known.codePage;
    if (m_codePage == 0 && (charset.rfind("CP", 0) == 0 || charset.rfind("cp", 0) == 0))
      m_codePage = UINT(std::strtoul(charset.c_str() + 2, nullptr, 10));
    if (m_codePage == 0 || (m_codePage != 1201 && !IsValidCodePage(m_codePage)))
      Fail("Windows has no code page for the charset \"" + charset + "\"");
  }

  // The one code point the bytes stand for, or nothing.
  std::optional<uint32_t> Decode(const char* bytes, size_t count) const {
    if (m_codePage == 1201) {
      if (count != 2) return {};
      return uint32_t(uint8_t(bytes[0])) << 8 | uint8_t(bytes[1]);
    }
    wchar_t out[4];
    const int written = MultiByteToWideChar(m_codePage, MB_ERR_INVALID_CHARS, bytes, int(count), out, 4);
    // A surrogate pair or several characters are not one code point here.
    if (written != 1 || (out[0] >= 0xD800 && out[0] <= 0xDFFF)) return {};
    return uint32_t(out[0]);
  }

 private:
  UINT m_codePage = 0;
};
#else
class Decoder {
 public:
  explicit Decoder(const std::string& charset) {
    m_handle = iconv_open("UTF-32LE", charset.c_str());
    if (m_handle == iconv_t(-1)) Fail("iconv does not know the charset \"" + charset + "\"");
  }
  ~Decoder() { iconv_close(m_handle); }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  // The one code point the bytes stand for, or nothing.
  std::optional<uint32_t> Decode(const char* bytes, size_t count) {
    iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
    char in[4];
    std::memcpy(in, bytes, count);
    char out[16];
    char* inPointer = in;
    size_t inLeft = count;
    char* outPointer = out;
    size_t outLeft = sizeof out;
    if (iconv(m_handle, &inPointer, &inLeft, &outPointer, &outLeft) == size_t(-1) || inLeft != 0) return {};
    if (iconv(m_handle, nullptr, nullptr, &outPointer, &outLeft) == size_t(-1)) return {};
    if (sizeof out - outLeft != 4) return {};
    uint32_t code = uint32_t(uint8_t(out[0])) | uint32_t(uint8_t(out[1])) << 8 |
                    uint32_t(uint8_t(out[2])) << 16 | uint32_t(uint8_t(out[3])) << 24;
    return code;
  }

 private:
  iconv_t m_handle;
};

#endif

bool IsControl(uint32_t code) { return code < 0x20 || (code >= 0x7F && code < 0xA0); }

std::vector<uint8_t> BuildGlyphData(const SourceFont& font, const Encoding& encoding,
                                    const std::string& charset) {
  const int height = font.height;
  const int half = font.halfWidth;
  auto find = [&](uint32_t code) -> const Glyph* {
    auto found = font.glyphs.find(code);
    return found != font.glyphs.end() ? &found->second : nullptr;
  };
  const Glyph* replacement = find(kReplacement);
  const Glyph fullFallback =
      replacement != nullptr && replacement->width <= height ? *replacement : Box(height, height);
  const Glyph halfFallback =
      replacement != nullptr && replacement->width <= half ? *replacement : Box(half, height);
  const Glyph blank{0, {}};
  std::optional<Decoder> decoder;
  if (!charset.empty()) decoder.emplace(charset);

  BitWriter out;
  out.PutGlyph(fullFallback, height, height);
  out.Put(false);  // the one bit between the fallback and the single-byte glyphs
  for (uint32_t code = 1; code <= 128; ++code) {
    std::optional<uint32_t> character = code;
    if (code == 128) {
      char byte = char(0x80);
      character = decoder ? decoder->Decode(&byte, 1) : std::nullopt;
    }
    const Glyph* glyph = character ? find(*character) : nullptr;
    if (character && IsControl(*character)) glyph = &blank;
    out.PutGlyph(glyph != nullptr ? *glyph : halfFallback, half, height);
  }
  for (int lead = encoding.leadLow; lead <= encoding.leadHigh; ++lead) {
    for (auto [low, high] : encoding.trailRanges) {
      for (int trail = low; trail <= high; ++trail) {
        char bytes[2] = {char(lead), char(trail)};
        std::optional<uint32_t> character = decoder->Decode(bytes, 2);
        const Glyph* glyph = character && !IsControl(*character) ? find(*character) : nullptr;
        out.PutGlyph(glyph != nullptr ? *glyph : fullFallback, height, height);
      }
    }
  }
  return out.Bytes();
}

void WriteFont(const std::string& path, int encoding, int height, int halfWidth,
               const std::vector<uint8_t>& data) {
  if (data.size() > 0x7FFFFFFF - 12) Fail("the font would be larger than 2 GB");
  uint32_t size = uint32_t(data.size());
  uint8_t header[12] = {'G', 'F', 'T', uint8_t(encoding), 1, 0, uint8_t(height), uint8_t(halfWidth)};
  for (int i = 0; i < 4; ++i) header[8 + i] = uint8_t(size >> (8 * i));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(header), sizeof header);
  out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
  out.close();
  if (!out) Fail(path + ": cannot write (" + std::strerror(errno) + ")");
}

constexpr const char* kUsage =
    "usage: gfxfont --encoding N [--charset NAME] INPUT OUTPUT\n"
    "  INPUT     a BDF font (.bdf) or a hex font (.hex)\n"
    "  N         1 high-byte grid (UHC), 2 single-byte only, 3 GB2312, 4 GBK,\n"
    "            5 Big5, 6 two-byte code points (UCS-2BE)\n"
    "  --charset the iconv charset the grid's bytes are read in (default above)\n";

int Run(int argc, char** argv) {
  std::optional<long> encodingId;
  std::optional<std::string> charset;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if ((arg == "--encoding" || arg == "-e") && i + 1 < argc) {
      encodingId = ParseInteger(argv[++i]);
      if (!encodingId || *encodingId < 1 || *encodingId > 6) Fail("the encoding must be 1 to 6");
    } else if (arg == "--charset" && i + 1 < argc) {
      charset = argv[++i];
    } else if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (!arg.empty() && arg[0] == '-') {
      Fail("unknown option \"" + arg + "\"\n" + kUsage);
    } else {
      paths.push_back(arg);
    }
  }
  if (!encodingId || paths.size() != 2) Fail(std::string("missing arguments\n") + kUsage);
  const Encoding& encoding = kEncodings[*encodingId - 1];

  std::ifstream in(paths[0], std::ios::binary);
  if (!in) Fail(paths[0] + ": cannot open (" + std::strerror(errno) + ")");
  std::string first;
  in >> first;
  in.clear();
  in.seekg(0);
  bool bdf =
      first == "STARTFONT" || (paths[0].size() >= 4 && paths[0].compare(paths[0].size() - 4, 4, ".bdf") == 0);
  SourceFont font = bdf ? ReadBdf(paths[0], in) : ReadHex(paths[0], in);

  std::vector<uint8_t> data = BuildGlyphData(font, encoding, charset.value_or(encoding.charset));
  WriteFont(paths[1], encoding.id, font.height, font.halfWidth, data);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const Failure& failure) {
    std::cerr << "gfxfont: " << failure.message << "\n";
    return 1;
  } catch (const std::bad_alloc&) {
    std::cerr << "gfxfont: out of memory\n";
    return 1;
  }
}
