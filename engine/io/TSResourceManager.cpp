#include "engine/io/TSResourceManager.h"

#include "engine/io/TSResourceRegistry.h"

CTSResourceManager::CTSResourceManager() {
  // Constructed first, the registry is destroyed after the manager, so windows
  // released while the manager goes away can still leave the registry.
  CTSResourceRegistry::Instance();
}

CTSResourceManager::~CTSResourceManager() { RemovePacks(); }

CTSIOStream* CTSResourceManager::OpenResource(const char* name) {
  CTSUsePtr<CTSIOBuffer> buffer(OpenResourceBuffer(name));
  if (!buffer) return nullptr;
  return new CTSIOStream(buffer.Get(), CTSIOStream::kRead);
}

CTSIOBuffer* CTSResourceManager::OpenResourceBuffer(const char* name) {
  if (name == nullptr) return nullptr;
  if (CTSIOBuffer* open = CTSResourceRegistry::Instance().Find(name)) {
    open->AddRef();
    return open;
  }
  CTSUsePtr<CTSIOBuffer> found;
  switch (m_searchMode) {
    case kPacksThenDisk:
      found = OpenFromPacks(name);
      if (!found) found = OpenDiskFile(name);
      break;
    case kDiskThenPacks:
      found = OpenDiskFile(name);
      if (!found) found = OpenFromPacks(name);
      break;
    case kDiskOnly:
      found = OpenDiskFile(name);
      break;
    case kPacksOnly:
      found = OpenFromPacks(name);
      break;
    default:
      break;
  }
  if (!found) return nullptr;
  // The window takes its own use of the found buffer; ours goes with `found`.
  return new CTSResourceIOBuffer(name, found.Get(), 0, found->GetSize());
}

CTSIOBuffer* CTSResourceManager::OpenDiskFile(const char* name) {
  HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == nullptr || file == INVALID_HANDLE_VALUE) return nullptr;
  return new CTSFileIOBuffer(file, true);
}

CTSIOBuffer* CTSResourceManager::OpenFromPacks(const char* name) {
  if (name == nullptr || name[0] == '\0') return nullptr;
  std::string entry(name);
  for (CTSResourcePack* pack : m_packs) {
    if (CTSIOBuffer* buffer = pack->OpenEntry(entry)) return buffer;
  }
  return nullptr;
}

void CTSResourceManager::AddPack(CTSResourcePack* pack) {
  if (pack == nullptr) return;
  pack->AddRef();
  m_packs.push_back(pack);
}

void CTSResourceManager::RemovePacks() {
  for (CTSResourcePack* pack : m_packs) pack->Release();
  m_packs.clear();
}
