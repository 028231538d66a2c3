// The demo's scene drawn frame by frame on both devices in one process: the
// Direct3D 8 device's back buffer against the software device's.
//
// The two cannot agree exactly. The software device keeps 5 bits per channel,
// blends with weights cut to 5 bits (a >> 3 and (256 - a) >> 3 over 32, which
// sum to 31/32 at most) and truncates, so each layer it draws may fall short
// of the exact blend by up to two 5-bit steps (16 in 8-bit units); Direct3D
// blends the 8-bit widening of the same 5-bit picture (up to 7 above it) with
// 8-bit alpha. Pixels under the pulsing pieces are two layers deep: a channel
// may differ by up to 2 x 16 + 7 = 39, hence the tolerance of 40. The mean
// difference over the frame must stay within one and a half steps (12): a
// wrong flip, colour, blend mode or position would break that by far.
#include <cmath>
#include <string>

#include "app/DemoScene.h"
#include "engine/image/TSImage.h"
#include "engine/image/TSImageManager.h"
#include "engine/scene/TSRenderTree.h"
#include "tests/graphics/d3d8/D3D8Fixture.h"

namespace {

constexpr INT kWidth = 640;
constexpr INT kHeight = 480;
constexpr int kTolerance = 40;
constexpr double kMeanTolerance = 12.0;

// One device with the demo's picture and scene.
class SceneOnDevice {
 public:
  SceneOnDevice(const GUID& kind, HWND window) {
    m_device = CTSGraphicsManager::Instance().CreateDevice(kind, window, kWidth, kHeight, false, true);
    if (m_device == nullptr) return;
    m_images = new CTSImageManager(m_device);
    m_logo =
        m_images->LoadTexture((std::string(QARN_DATA_DIR) + "/Background/logo.bmp").c_str(), CTSColor(0), -1);
    if (m_logo == nullptr) return;
    m_tree = new CTSRenderTree(128, true);
    m_scene = BuildDemoScene(*m_tree, m_logo);
  }
  ~SceneOnDevice() {
    if (m_tree != nullptr) m_tree->Release();
    delete m_images;
    if (m_device != nullptr) m_device->Release();
  }
  bool IsReady() const { return m_tree != nullptr; }
  CTSGraphics* Device() const { return m_device; }
  CTSTexture* Logo() const { return m_logo; }

  // One frame as the frame loop draws it, the pulsing pieces at this alpha.
  void DrawFrame(DWORD alpha) {
    SetDemoSceneAlpha(m_scene, alpha);
    m_device->BeginScene();
    m_tree->Update();
    m_tree->Render(m_device);
    m_device->EndScene();
    RECT bounds;
    m_tree->GetDirtyBounds(&bounds);
    m_device->Present(nullptr, &bounds, &bounds);
  }

  // A new image of the back buffer (one use, the caller's), or null.
  CTSImage* BackBuffer() {
    auto* image = new CTSImage;
    if (m_device->GetRenderTarget()->CopyToImage(image)) return image;
    image->Release();
    return nullptr;
  }

 private:
  CTSGraphics* m_device = nullptr;
  CTSImageManager* m_images = nullptr;
  CTSTexture* m_logo = nullptr;  // the image manager's
  CTSRenderTree* m_tree = nullptr;
  DemoScene m_scene;
};

testing::AssertionResult Close(CTSImage* expected, CTSImage* actual) {
  if (expected == nullptr || actual == nullptr || expected->GetWidth() != kWidth ||
      actual->GetWidth() != kWidth || expected->GetHeight() != kHeight || actual->GetHeight() != kHeight)
    return testing::AssertionFailure() << "a back buffer could not be read";
  int worst = 0, outside = 0;
  double total = 0;
  std::string listed;
  for (INT y = 0; y < kHeight; ++y)
    for (INT x = 0; x < kWidth; ++x) {
      const DWORD e = expected->GetScanline(y)[x].GetARGB(), a = actual->GetScanline(y)[x].GetARGB();
      for (int shift : {16, 8, 0}) {
        const int difference = std::abs(int((e >> shift) & 0xFF) - int((a >> shift) & 0xFF));
        total += difference;
        if (difference > worst) worst = difference;
        if (difference > kTolerance && ++outside <= 5)
          listed += " (" + std::to_string(x) + "," + std::to_string(y) + ") software " + std::to_string(e) +
                    " d3d8 " + std::to_string(a);
      }
    }
  const double mean = total / (double(kWidth) * kHeight * 3);
  if (outside == 0 && mean <= kMeanTolerance) return testing::AssertionSuccess();
  return testing::AssertionFailure() << outside << " channels differ by more than " << kTolerance
                                     << " (worst " << worst << ", mean " << mean << "):" << listed;
}

class D3D8SceneTest : public D3D8Fixture {};

TEST_F(D3D8SceneTest, TheDemoSceneMatchesTheSoftwareDeviceFrameByFrame) {
  HWND softwareWindow = MakeWindow("software");
  ShowWindow(softwareWindow, SW_SHOW);
  {
    SceneOnDevice software(TS_GUID_GDI_GRAPHICS, softwareWindow);
    SceneOnDevice direct3D(TS_GUID_D3D8_GRAPHICS, m_window);
    ASSERT_TRUE(software.IsReady()) << "no logo in " << QARN_DATA_DIR << " (build qarn_data)";
    ASSERT_TRUE(direct3D.IsReady());
    // The manager chose the Direct3D 8 device's own 16-bit format for the picture.
    EXPECT_EQ(direct3D.Logo()->GetFormat(), TEXTURE_FORMAT_A1R5G5B5);
    // The first frame in full, then frames that repaint only the pulsing pieces.
    for (DWORD alpha : {255u, 200u, 128u, 35u, 0u, 90u}) {
      software.DrawFrame(alpha);
      direct3D.DrawFrame(alpha);
      CTSUsePtr<CTSImage> expected(software.BackBuffer());
      CTSUsePtr<CTSImage> actual(direct3D.BackBuffer());
      ASSERT_TRUE(Close(expected.Get(), actual.Get())) << "alpha " << alpha;
    }
  }
  DestroyWindow(softwareWindow);
}

}  // namespace
