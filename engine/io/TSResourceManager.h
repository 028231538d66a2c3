// The resource manager: turns a resource name (a relative path such as
// "Font\songti16.gfxFont") into a readable stream, from packs or from disk.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "engine/io/TSIOStream.h"
#include "engine/object/TSSingleton.h"

// What a pack kind (an archive serving named entries) offers the manager.
class CTSResourcePack : public CTSUseCountObject {
 public:
  // A new buffer over the named entry, with one use for the caller, or null.
  virtual CTSIOBuffer* OpenEntry(const std::string& name) = 0;
};

class CTSResourceManager : public CTSSingleton<CTSResourceManager> {
  friend class CTSSingleton<CTSResourceManager>;

 public:
  // Where resources are looked for, in order.
  enum SearchMode : int32_t {
    kPacksThenDisk = 0,
    kDiskThenPacks = 1,
    kDiskOnly = 2,
    kPacksOnly = 3,
  };

  // A new read stream (use count 1) over the resource, or null if not found.
  CTSIOStream* OpenResource(const char* name);
  // The buffer serving the resource, with one use for the caller, or null.
  // While a resource is open every open of its name shares one buffer.
  CTSIOBuffer* OpenResourceBuffer(const char* name);
  // An existing file by its name, relative to the current directory; null if
  // it cannot be opened. Nothing is created.
  CTSIOBuffer* OpenDiskFile(const char* name);
  // The first entry any pack answers for the name, or null.
  CTSIOBuffer* OpenFromPacks(const char* name);

  // Appends a pack to the search list, taking a use of it.
  void AddPack(CTSResourcePack* pack);
  // Releases every pack and empties the list.
  void RemovePacks();
  // Any value outside SearchMode finds nothing.
  void SetSearchMode(int32_t mode) { m_searchMode = mode; }

 private:
  CTSResourceManager();
  ~CTSResourceManager() override;

  std::list<CTSResourcePack*> m_packs;
  int32_t m_searchMode = kPacksThenDisk;
};
