// Makes graphics devices by kind: factory records keyed by the device class's
// identity, searched in registration order.
#pragma once

#include <vector>

#include "engine/graphics/TSGraphics.h"
#include "engine/object/TSSingleton.h"

typedef CTSGraphics* (*TSGraphicsFactory)(DWORD argument);

// The factories of the two device kinds; each returns a new device, or null.
CTSGraphics* CreateGDIGraphics(DWORD argument);
CTSGraphics* CreateD3D8Graphics(DWORD argument);

class CTSGraphicsManager : public CTSSingleton<CTSGraphicsManager> {
 public:
  // Registers the software device, then the Direct3D 8 device.
  CTSGraphicsManager();

  // False when the kind is already registered or the factory is null.
  bool RegisterDevice(const GUID& kind, TSGraphicsFactory factory, DWORD argument);
  // A created device of the kind (use count 1, owned by the caller), or null
  // when the kind is unknown or the device cannot be created.
  CTSGraphics* CreateDevice(const GUID& kind, HWND window, INT width, INT height, bool fullScreen,
                            bool resizeWindow);

 private:
  struct FactoryRecord {
    GUID kind;
    TSGraphicsFactory factory;
    DWORD argument;
  };
  std::vector<FactoryRecord> m_records;
};
