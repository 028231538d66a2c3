// Makes fonts by kind: factory records keyed by the font class's identity,
// searched in registration order, and loads them from streams or resources.
#pragma once

#include <vector>

#include "engine/object/TSSingleton.h"
#include "engine/text/TSFont.h"

typedef CTSFont* (*TSFontFactory)(DWORD argument);

// An empty point font (use count 1); the argument is not used.
CTSFont* CreatePointFont(DWORD argument);

class CTSFontLoader : public CTSSingleton<CTSFontLoader> {
  friend class CTSSingleton<CTSFontLoader>;

 public:
  // False when the kind is already registered or the factory is null.
  bool RegisterFont(const GUID& kind, TSFontFactory factory, DWORD argument);
  // A new font of the kind (use count 1, owned by the caller), or null.
  CTSFont* CreateFont(const GUID& kind);
  // A font of the kind loaded from the stream (use count 1, owned by the
  // caller), or null when the stream is null, the kind unknown or the load
  // fails.
  CTSFont* LoadFont(const GUID& kind, CTSIOStream* stream);
  // The same from a resource opened through the resource manager.
  CTSFont* LoadFont(const GUID& kind, const char* path);

 private:
  // Registers the point font.
  CTSFontLoader();

  struct FactoryRecord {
    GUID kind;
    TSFontFactory factory;
    DWORD argument;
  };
  std::vector<FactoryRecord> m_records;
};
