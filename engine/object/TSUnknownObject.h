// The root of every engine object: class identity and Release.
#pragma once

#include "engine/object/TSClassIdentity.h"

class CTSUnknownObject {
 public:
  CTSUnknownObject() = default;
  CTSUnknownObject(const CTSUnknownObject&) = delete;
  CTSUnknownObject& operator=(const CTSUnknownObject&) = delete;

  virtual ~CTSUnknownObject() = default;
  // Gives up the object; plain objects are destroyed at once.
  virtual void Release() { delete this; }
  // Stores this object's address in *out when it is of class id (no use taken).
  virtual bool QueryObject(const GUID& id, void** out) {
    (void)id;
    (void)out;
    return false;
  }
  virtual const GUID* GetClassGUID() const { return &TS_GUID_UNKNOWN_OBJECT; }
  virtual const char* GetClassName() const { return "TS_GUID_UNKNOWN_OBJECT"; }
};
