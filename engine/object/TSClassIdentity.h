// Class identities: a constant GUID and name per engine class.
#pragma once

#include "platform/Windows.h"

extern const GUID TS_GUID_UNKNOWN_OBJECT;
extern const GUID TS_GUID_USE_COUNT_OBJECT;
extern const GUID TS_GUID_RENDER_OBJECT;
extern const GUID TS_GUID_RENDER_TREE_OBJECT;
extern const GUID TS_GUID_RENDER_TREE;
extern const GUID TS_GUID_IO_STREAM;
extern const GUID TS_GUID_IO_BUFFER;
extern const GUID TS_GUID_FILE_IO_BUFFER;
extern const GUID TS_GUID_MEMORY_IO_BUFFER;
extern const GUID TS_GUID_STREAM_IO_BUFFER;
extern const GUID TS_GUID_FONT;
extern const GUID TS_GUID_POINT_FONT;
extern const GUID TS_GUID_IMAGE;
extern const GUID TS_GUID_GRAPHICS;
extern const GUID TS_GUID_GDI_GRAPHICS;
extern const GUID TS_GUID_D3D8_GRAPHICS;
extern const GUID TS_GUID_RENDER_TARGET;
extern const GUID TS_GUID_GDI_RENDER_TARGET;
extern const GUID TS_GUID_D3D8_RENDER_TARGET;
extern const GUID TS_GUID_TEXTURE;
extern const GUID TS_GUID_GDI_TEXTURE;
extern const GUID TS_GUID_D3D8_TEXTURE;

// Gives a class its own identity: QueryObject answers for it and otherwise
// asks the direct base; GetClassGUID and GetClassName report it. The name is
// the identity constant's own name.
#define TS_DECLARE_CLASS_IDENTITY(Base, identity)            \
 public:                                                     \
  bool QueryObject(const GUID& id, void** out) override {    \
    if (out != nullptr && id == identity) {                  \
      *out = this;                                           \
      return true;                                           \
    }                                                        \
    return Base::QueryObject(id, out);                       \
  }                                                          \
  const GUID* GetClassGUID() const override { return &identity; } \
  const char* GetClassName() const override { return #identity; }
