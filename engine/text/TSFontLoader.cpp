#include "engine/text/TSFontLoader.h"

#include <new>

#include "engine/io/TSResourceManager.h"
#include "engine/text/TSPointFont.h"

CTSFont* CreatePointFont(DWORD argument) {
  (void)argument;
  return new (std::nothrow) CTSPointFont();
}

CTSFontLoader::CTSFontLoader() { RegisterFont(TS_GUID_POINT_FONT, CreatePointFont, 0); }

bool CTSFontLoader::RegisterFont(const GUID& kind, TSFontFactory factory, DWORD argument) {
  if (factory == nullptr) return false;
  for (const FactoryRecord& record : m_records)
    if (record.kind == kind) return false;
  m_records.push_back(FactoryRecord{kind, factory, argument});
  return true;
}

CTSFont* CTSFontLoader::CreateFont(const GUID& kind) {
  for (const FactoryRecord& record : m_records)
    if (record.kind == kind) return record.factory(record.argument);
  return nullptr;
}

CTSFont* CTSFontLoader::LoadFont(const GUID& kind, CTSIOStream* stream) {
  if (stream == nullptr) return nullptr;
  CTSFont* font = CreateFont(kind);
  if (font == nullptr) return nullptr;
  if (font->Load(stream)) return font;
  font->Release();
  return nullptr;
}

CTSFont* CTSFontLoader::LoadFont(const GUID& kind, const char* path) {
  if (path == nullptr) return nullptr;
  CTSUsePtr<CTSIOStream> stream(CTSResourceManager::Instance().OpenResource(path));
  return LoadFont(kind, stream.Get());
}
