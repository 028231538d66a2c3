#include "engine/graphics/TSGraphicsManager.h"

CTSGraphicsManager::CTSGraphicsManager() {
  RegisterDevice(TS_GUID_GDI_GRAPHICS, CreateGDIGraphics, 0);
  RegisterDevice(TS_GUID_D3D8_GRAPHICS, CreateD3D8Graphics, 0);
}

bool CTSGraphicsManager::RegisterDevice(const GUID& kind, TSGraphicsFactory factory, DWORD argument) {
  if (factory == nullptr) return false;
  for (const FactoryRecord& record : m_records)
    if (record.kind == kind) return false;
  m_records.push_back(FactoryRecord{kind, factory, argument});
  return true;
}

CTSGraphics* CTSGraphicsManager::CreateDevice(const GUID& kind, HWND window, INT width, INT height,
                                              bool fullScreen, bool resizeWindow) {
  for (const FactoryRecord& record : m_records) {
    if (record.kind != kind) continue;
    CTSGraphics* device = record.factory(record.argument);
    if (device == nullptr) return nullptr;
    if (device->Create(window, width, height, fullScreen, resizeWindow)) return device;
    device->Release();
    return nullptr;
  }
  return nullptr;
}
