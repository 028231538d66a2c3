// Text onto the software device: DrawText of a 40-character line, 24 ASCII
// and 16 GB2312 characters, with a 16-pixel font of random glyphs (about a
// third of their pixels set), in glyphs per second. Its peer draws the same
// point lists, collected beforehand, straight through DrawPoints: the cost of
// the pixels alone, without glyph lookup, bit decoding and layout.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "engine/graphics/TSGraphicsManager.h"
#include "engine/text/TSPointFont.h"
#include "engine/text/TSTextRegistry.h"
#include "platform/Platform.h"

namespace {

constexpr int kHeight = 16;
constexpr int kHalfWidth = 8;
constexpr int kGlyphsPerLine = 40;
constexpr DWORD kFontId = 0x7E57;
const char kLine[] =
    "FPS: 30 \xB0\xA1\xB0\xA2\xB0\xA3\xB2\xE2\xCA\xD4 frame 1234 "
    "\xCE\xC4\xD7\xD6\xCF\xD4\xCA\xBE\xB5\xC4\xCB\xD9\xB6\xC8\xBA\xDC\xBF\xEC\xC1\xCB\xB0\xC9! ok";

struct TextSetup {
  HWND window = nullptr;
  CTSGraphics* device = nullptr;
  std::vector<uint8_t> glyphBits;
  std::string file;
};

// One window, device and registered font for the whole run.
TextSetup& Setup() {
  static TextSetup setup = [] {
    TextSetup s;
    Platform::SetHeadless(true);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "TextBench";
    RegisterClassExA(&windowClass);
    s.window = CreateWindowExA(0, "TextBench", "bench", WS_OVERLAPPED, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    s.device =
        CTSGraphicsManager::Instance().CreateDevice(TS_GUID_GDI_GRAPHICS, s.window, 640, 480, false, true);

    int64_t bits = kHeight * kHeight + 1 + 128 * kHalfWidth * kHeight + 94 * 94 * kHeight * kHeight;
    s.glyphBits.assign(size_t((bits + 7) / 8), 0);
    std::mt19937 random(7);
    for (int64_t i = 0; i < bits; ++i)
      if (random() % 3 == 0) s.glyphBits[size_t(i >> 3)] |= uint8_t(1u << (i & 7));
    uint32_t size = uint32_t(s.glyphBits.size());
    s.file = std::string("GFT\x03\x01\x00", 6) + char(kHeight) + char(kHalfWidth);
    for (int i = 0; i < 4; ++i) s.file += char(size >> (8 * i));
    s.file.append(s.glyphBits.begin(), s.glyphBits.end());

    CTSIOStream stream(s.file.data(), int32_t(s.file.size()), CTSIOStream::kRead, false);
    CTSPointFont* font = new CTSPointFont();
    if (font->Load(&stream)) CTSTextRegistry::Instance().AddFont(kFontId, font);
    font->Release();
    return s;
  }();
  return setup;
}

void BM_DrawText(benchmark::State& state) {
  TextSetup& s = Setup();
  if (s.device == nullptr || CTSTextRegistry::Instance().FindFont(kFontId) == nullptr) {
    state.SkipWithError("no device or font");
    return;
  }
  const CTSColor green(0xFF00FF00);
  for (auto _ : state) {
    CTSTextRegistry::Instance().DrawText(kFontId, s.device, 8, 200, green, kLine, -1, -1);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kGlyphsPerLine);
}
BENCHMARK(BM_DrawText);

// The points DrawText plots for the line, one list per glyph.
std::vector<std::vector<TSPoint>> LinePoints(const TextSetup& s) {
  auto bit = [&](int64_t n) { return (s.glyphBits[size_t(n >> 3)] >> (n & 7)) & 1; };
  std::vector<std::vector<TSPoint>> lists;
  int x = 8;
  const auto* bytes = reinterpret_cast<const unsigned char*>(kLine);
  for (size_t i = 0; bytes[i] != 0;) {
    int64_t start;
    int width;
    if (bytes[i] >= 0x80) {
      int64_t index = (bytes[i] - 0xA1) * 94 + (bytes[i + 1] - 0xA1);
      start = kHeight * kHeight + 1 + 128 * kHalfWidth * kHeight + index * kHeight * kHeight;
      width = kHeight;
      i += 2;
    } else {
      start = kHeight * kHeight + 1 + (bytes[i] - 1) * kHalfWidth * kHeight;
      width = kHalfWidth;
      i += 1;
    }
    std::vector<TSPoint> points;
    for (int row = 0; row < kHeight; ++row)
      for (int column = 0; column < width; ++column)
        if (bit(start + row * width + column)) points.push_back({x + column, 200 + row});
    lists.push_back(points);
    x += width;
  }
  return lists;
}

void BM_PeerDrawPoints(benchmark::State& state) {
  TextSetup& s = Setup();
  if (s.device == nullptr) {
    state.SkipWithError("no device");
    return;
  }
  std::vector<std::vector<TSPoint>> lists = LinePoints(s);
  const CTSColor green(0xFF00FF00);
  for (auto _ : state) {
    for (const std::vector<TSPoint>& points : lists)
      s.device->DrawPoints(points.data(), INT(points.size()), green);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * INT(lists.size()));
}
BENCHMARK(BM_PeerDrawPoints);

}  // namespace
