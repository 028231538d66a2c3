// Draws Qarn's background picture and writes it as a 640 x 480, 24-bit BMP:
// gradients, a grid, rings and circles, stripes, a big arrow and pixel-font
// lettering. Most of it sits on the left or points right, so that every
// mirror flip of it is plain to see; the top-left 200 x 200 piece, which the
// demo's small sprites show, is lopsided on its own too.
//
// Usage: logogen OUTPUT.bmp
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct Rgb {
  float r, g, b;
};

Rgb Mix(Rgb a, Rgb b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Hue in turns (0..1), full saturation and value.
Rgb Hue(float turns) {
  float h = (turns - std::floor(turns)) * 6.0f;
  float x = 1.0f - std::fabs(std::fmod(h, 2.0f) - 1.0f);
  const Rgb sextants[6] = {{1, x, 0}, {x, 1, 0}, {0, 1, x}, {0, x, 1}, {x, 0, 1}, {1, 0, x}};
  Rgb c = sextants[std::min(5, static_cast<int>(h))];
  return {c.r * 255, c.g * 255, c.b * 255};
}

class Canvas {
 public:
  Canvas() : m_pixels(kWidth * kHeight) {}

  void Blend(int x, int y, Rgb color, float alpha) {
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight || alpha <= 0) return;
    Rgb& p = m_pixels[y * kWidth + x];
    p = Mix(p, color, std::min(alpha, 1.0f));
  }

  // Paints the pixels of a box that a shape covers, with 4 x 4 samples per
  // pixel for smooth edges; the colour is taken at the pixel's centre.
  void Fill(int x0, int y0, int x1, int y1, const std::function<bool(float, float)>& inside,
            const std::function<Rgb(float, float)>& color, float alpha = 1.0f) {
    for (int y = std::max(y0, 0); y < std::min(y1, kHeight); ++y)
      for (int x = std::max(x0, 0); x < std::min(x1, kWidth); ++x) {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4);
        if (hits > 0) Blend(x, y, color(x + 0.5f, y + 0.5f), alpha * hits / 16.0f);
      }
  }

  // BMP: 54-byte header, then rows bottom-up in blue, green, red, each
  // padded to a multiple of 4 bytes.
  bool WriteBmp(const char* path) const {
    const uint32_t rowBytes = (kWidth * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * kHeight;
    std::vector<uint8_t> file(54 + imageBytes, 0);
    auto put16 = [&](size_t at, uint32_t v) {
      file[at] = uint8_t(v);
      file[at + 1] = uint8_t(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
      put16(at, v & 0xFFFF);
      put16(at + 2, v >> 16);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, uint32_t(file.size()));
    put32(10, 54);  // offset of the pixels
    put32(14, 40);  // info header size
    put32(18, kWidth);
    put32(22, kHeight);     // positive: bottom-up
    put16(26, 1);           // planes
    put16(28, 24);          // bits per pixel
    put32(34, imageBytes);  // no compression (field 30 stays 0)
    put32(38, 2835);        // 72 dpi
    put32(42, 2835);
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* row = &file[54 + size_t(kHeight - 1 - y) * rowBytes];
      for (int x = 0; x < kWidth; ++x) {
        const Rgb& p = m_pixels[y * kWidth + x];
        row[x * 3] = Channel(p.b);
        row[x * 3 + 1] = Channel(p.g);
        row[x * 3 + 2] = Channel(p.r);
      }
    }
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) return false;
    bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
  }

 private:
  static uint8_t Channel(float v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

  std::vector<Rgb> m_pixels;
};

// A 5 x 7 pixel font with just the characters the picture spells; each row's
// bit 4 is its leftmost pixel.
struct Glyph {
  char c;
  uint8_t rows[7];
};
constexpr Glyph kFont[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'N', {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}}, {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}}, {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}}, {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
};

const Glyph* FindGlyph(char c) {
  for (const Glyph& glyph : kFont)
    if (glyph.c == c) return &glyph;
  return nullptr;  // a space
}

// Each font pixel becomes a scale x scale block; characters are 6 font pixels apart.
void DrawText(Canvas& canvas, int x, int y, int scale, const std::string& text,
              const std::function<Rgb(float, float)>& color) {
  for (size_t i = 0; i < text.size(); ++i) {
    const Glyph* glyph = FindGlyph(text[i]);
    if (glyph == nullptr) continue;
    int left = x + int(i) * 6 * scale;
    auto inside = [&](float fx, float fy) {
      int col = int(std::floor((fx - left) / scale)), row = int(std::floor((fy - y) / scale));
      return col >= 0 && col < 5 && row >= 0 && row < 7 && (glyph->rows[row] >> (4 - col) & 1);
    };
    canvas.Fill(left, y, left + 5 * scale, y + 7 * scale, inside, color);
  }
}

// A right-pointing arrow: a shaft from x0 to the head's base, and the head
// from there to its tip at x1.
void DrawArrow(Canvas& canvas, float x0, float x1, float cy, float shaftHalf, float headHalf,
               float headLength, const std::function<Rgb(float, float)>& color) {
  float base = x1 - headLength;
  auto inside = [=](float x, float y) {
    float dy = std::fabs(y - cy);
    if (x >= x0 && x < base) return dy <= shaftHalf;
    return x >= base && x <= x1 && dy <= headHalf * (x1 - x) / headLength;
  };
  canvas.Fill(int(x0) - 1, int(cy - headHalf) - 1, int(x1) + 2, int(cy + headHalf) + 2, inside, color);
}

void DrawDisc(Canvas& canvas, float cx, float cy, float radius, const std::function<Rgb(float, float)>& color,
              float alpha = 1.0f) {
  auto inside = [=](float x, float y) {
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
  };
  canvas.Fill(int(cx - radius) - 1, int(cy - radius) - 1, int(cx + radius) + 2, int(cy + radius) + 2, inside,
              color, alpha);
}

std::function<Rgb(float, float)> Solid(Rgb color) {
  return [=](float, float) { return color; };
}

void DrawPicture(Canvas& canvas) {
  // Night-blue to plum from top to bottom, warmer towards the right.
  canvas.Fill(
      0, 0, kWidth, kHeight, [](float, float) { return true; },
      [](float x, float y) {
        Rgb c = Mix({16, 22, 70}, {76, 18, 92}, y / kHeight);
        return Mix(c, {c.r + 40, c.g, c.b - 10}, x / kWidth);
      });

  // A faint grid every 32 pixels.
  canvas.Fill(
      0, 0, kWidth, kHeight, [](float x, float y) { return int(x) % 32 == 0 || int(y) % 32 == 0; },
      Solid({255, 255, 255}), 0.12f);

  // Rainbow rings running off the right edge, and a few loose discs.
  for (int ring = 9; ring >= 0; --ring)
    DrawDisc(canvas, 560, 270, 30.0f + ring * 12.0f, Solid(Hue(ring / 10.0f)));
  DrawDisc(canvas, 560, 270, 24, Solid({250, 250, 250}));
  DrawDisc(canvas, 450, 400, 34, Solid({0, 210, 230}), 0.85f);
  DrawDisc(canvas, 395, 210, 22, Solid({255, 70, 90}));
  DrawDisc(canvas, 612, 80, 16, Solid({255, 230, 60}));

  // Stripes leaning right along the bottom, cycling through the hues.
  canvas.Fill(
      0, 440, kWidth, kHeight, [](float, float) { return true; },
      [](float x, float y) { return Hue(std::floor((x + (kHeight - y)) / 24) / 9.0f); });

  // The big arrow across the lower left, green to yellow, on a white rim.
  auto arrowColor = [](float x, float) {
    return Mix({30, 190, 90}, {250, 230, 50}, std::clamp(x / 420, 0.0f, 1.0f));
  };
  DrawArrow(canvas, 26, 428, 330, 26, 68, 96, Solid({255, 255, 255}));
  DrawArrow(canvas, 30, 420, 330, 21, 60, 86, arrowColor);

  // The top-left panel: an orange tile (16 to 184, corners rounded by 14)
  // with "QARN", a small arrow and a dot.
  auto panel = [](float x, float y) {
    float qx = std::max({30.0f - x, x - 170.0f, 0.0f}), qy = std::max({30.0f - y, y - 170.0f, 0.0f});
    return qx * qx + qy * qy <= 14.0f * 14.0f;
  };
  canvas.Fill(16, 16, 185, 185, panel, [](float x, float y) {
    return Mix({255, 120, 0}, {255, 225, 40}, (x + y - 32) / 336);
  });
  DrawText(canvas, 30, 32, 6, "QARN", Solid({20, 24, 80}));
  DrawArrow(canvas, 30, 150, 120, 9, 24, 36, Solid({20, 24, 80}));
  DrawDisc(canvas, 160, 160, 12, Solid({210, 20, 60}));

  // The engine's name, large, its letters running through the hues, on a shadow.
  DrawText(canvas, 224, 44, 10, "TESSEL", Solid({8, 8, 24}));
  DrawText(canvas, 218, 38, 10, "TESSEL", [](float x, float) { return Hue((x - 218) / 450); });
  DrawText(canvas, 222, 128, 4, "2D ENGINE", Solid({235, 235, 255}));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: logogen OUTPUT.bmp\n");
    return 2;
  }
  Canvas canvas;
  DrawPicture(canvas);
  if (!canvas.WriteBmp(argv[1])) {
    std::fprintf(stderr, "logogen: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
