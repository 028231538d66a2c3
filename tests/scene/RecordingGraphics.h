// A graphics device double that draws nothing and records, in order, every
// clip change, clear and draw, each with the clip rectangle in force.
#pragma once

#include <algorithm>
#include <ostream>
#include <vector>

#include "engine/graphics/TSGraphics.h"

inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::ostream& operator<<(std::ostream& out, const RECT& rect) {
  return out << "{" << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom << "}";
}

struct TSDeviceEvent {
  enum Kind { kClip, kClear, kDraw };
  Kind kind;
  DWORD value;  // the colour cleared with or drawn in
  RECT clip;

  bool operator==(const TSDeviceEvent& other) const {
    return kind == other.kind && value == other.value && clip == other.clip;
  }
};

inline std::ostream& operator<<(std::ostream& out, const TSDeviceEvent& event) {
  static const char* const kNames[] = {"Clip", "Clear", "Draw"};
  return out << kNames[event.kind] << "(" << event.value << ", " << event.clip << ")";
}

class CRecordingGraphics : public CTSGraphics {
 public:
  CRecordingGraphics(INT width, INT height) : m_width(width), m_height(height), m_clip{0, 0, width, height} {}

  std::vector<TSDeviceEvent> events;

  void DrawSprite(CTSTexture*, INT, INT, INT, INT, INT, INT, BlendMode, FlipFlags, CTSColor color) override {
    Record(TSDeviceEvent::kDraw, color);
  }
  void Blt(CTSTexture*, INT, INT, INT, INT, INT, INT) override { Record(TSDeviceEvent::kDraw, 0); }
  void BltWhole(CTSTexture*, INT, INT) override { Record(TSDeviceEvent::kDraw, 0); }
  void DrawSpriteTransformed(CTSTexture*, INT, INT, INT, INT, INT, INT, float, float, float, BlendMode,
                             FlipFlags, CTSColor color) override {
    Record(TSDeviceEvent::kDraw, color);
  }
  void DrawLine(INT, INT, INT, INT, const CTSColor& color) override { Record(TSDeviceEvent::kDraw, color); }
  void DrawCircle(INT, INT, INT, const CTSColor& color, bool) override {
    Record(TSDeviceEvent::kDraw, color);
  }
  void DrawPoints(const TSPoint*, INT, const CTSColor& color) override {
    Record(TSDeviceEvent::kDraw, color);
  }
  void DrawRect(INT, INT, INT, INT, const CTSColor& color, bool) override {
    Record(TSDeviceEvent::kDraw, color);
  }
  void SetPixel(INT, INT, const CTSColor& color) override { Record(TSDeviceEvent::kDraw, color); }
  CTSColor GetPixel(INT, INT) override { return 0; }
  CTSTexture* CreateTexture(INT, INT, INT, INT) override { return nullptr; }
  bool IsTextureFormatSupported(INT) override { return false; }
  void BeginScene() override {}
  void EndScene() override {}
  void DestroyDevice() override {}
  void Clear(CTSColor color) override { Record(TSDeviceEvent::kClear, color); }
  bool Create(HWND, INT, INT, bool, bool) override { return true; }
  bool SetDisplayMode(INT, INT, bool) override { return true; }
  INT GetWidth() override { return m_width; }
  INT GetHeight() override { return m_height; }
  bool IsCreated() override { return true; }
  bool IsFullScreen() override { return false; }
  void Present(HWND, const RECT*, const RECT*) override {}
  // Clamped to the back buffer, as the devices do; null is the whole of it.
  void SetClipRect(const RECT* rect) override {
    m_clip = {0, 0, m_width, m_height};
    if (rect != nullptr)
      m_clip = {std::clamp(rect->left, 0, m_width), std::clamp(rect->top, 0, m_height),
                std::clamp(rect->right, 0, m_width), std::clamp(rect->bottom, 0, m_height)};
    Record(TSDeviceEvent::kClip, 0);
  }
  void GetClipRect(RECT* rect) override { *rect = m_clip; }
  CTSRenderTarget* GetRenderTarget() override { return nullptr; }
  void SetRenderTarget(CTSRenderTarget*) override {}
  CTSRenderTarget* CreateRenderTarget(INT, INT) override { return nullptr; }

  // The events of one kind, in order.
  std::vector<TSDeviceEvent> Only(TSDeviceEvent::Kind kind) const {
    std::vector<TSDeviceEvent> result;
    for (const TSDeviceEvent& event : events)
      if (event.kind == kind) result.push_back(event);
    return result;
  }

 private:
  void Record(TSDeviceEvent::Kind kind, CTSColor color) { events.push_back({kind, color.GetARGB(), m_clip}); }

  INT m_width;
  INT m_height;
  RECT m_clip;
};
