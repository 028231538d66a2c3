// The open-resource registry: which buffer serves each open resource name, so
// that all streams of one resource share one buffer.
#pragma once

#include <map>
#include <string>

#include "engine/io/TSIOBuffer.h"
#include "engine/object/TSSingleton.h"

class CTSResourceRegistry : public CTSSingleton<CTSResourceRegistry> {
  friend class CTSSingleton<CTSResourceRegistry>;

 public:
  // Adds the entry unless the name is present. Names compare byte by byte.
  void Register(const char* name, CTSIOBuffer* buffer);
  // Removes the first entry served by buffer.
  void Unregister(CTSIOBuffer* buffer);
  // The buffer serving exactly this name, or null; no use is taken.
  CTSIOBuffer* Find(const char* name) const;

 private:
  CTSResourceRegistry() = default;

  // Plain pointers: each entry lives exactly as long as its buffer.
  std::map<std::string, CTSIOBuffer*> m_buffers;
};

// The buffer handed out for an open resource: a window over the buffer that
// was found, registered under the resource name for as long as it lives.
class CTSResourceIOBuffer : public CTSStreamIOBuffer {
 public:
  CTSResourceIOBuffer(const char* name, CTSIOBuffer* inner, int32_t offset, int32_t length);
  ~CTSResourceIOBuffer() override;
};
