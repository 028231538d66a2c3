// The back buffer saved as a picture file.
#include <cstdio>
#include <cstring>
#include <new>

#include "app/GameFrame.h"
#include "engine/image/TSImage.h"

bool CGameFrame::SaveScreenshot(const char* path) const {
  if (m_device == nullptr || m_device->GetRenderTarget() == nullptr || path == nullptr) return false;
  CTSUsePtr<CTSImage> image(new (std::nothrow) CTSImage);
  if (!image || !m_device->GetRenderTarget()->CopyToImage(image.Get())) return false;
  size_t length = std::strlen(path);
  bool png = length > 4 && std::strcmp(path + length - 4, ".png") == 0;
  // A file left from before would keep its tail past what is written now.
  std::remove(path);
  CTSUsePtr<CTSIOStream> file(new (std::nothrow) CTSIOStream(path, CTSIOStream::kWrite, false));
  return file && file->CanWrite() && image->Save(file.Get(), png ? IMAGE_FORMAT_PNG : IMAGE_FORMAT_BMP);
}
