#include "engine/io/TSIOStream.h"

#include <algorithm>

CTSIOStream::CTSIOStream(CTSIOBuffer* buffer, uint32_t mode) { OpenBuffer(buffer, mode); }

CTSIOStream::CTSIOStream(const char* name, uint32_t mode, bool temporary) { OpenFile(name, mode, temporary); }

CTSIOStream::CTSIOStream(void* data, int32_t size, uint32_t mode, bool owns) {
  OpenMemory(data, size, mode, owns);
}

CTSIOStream::~CTSIOStream() { Close(); }

bool CTSIOStream::OpenBuffer(CTSIOBuffer* buffer, uint32_t mode) {
  if (buffer != nullptr && buffer == m_buffer) return true;
  Close();
  if (buffer == nullptr || !buffer->IsValid()) return false;
  buffer->AddRef();
  m_buffer = buffer;
  m_mode = mode;
  return true;
}

bool CTSIOStream::OpenFile(const char* name, uint32_t mode, bool temporary) {
  if (name == nullptr || name[0] == '\0') return false;
  DWORD access = 0;
  if (mode & kRead) access |= GENERIC_READ;
  if (mode & kWrite) access |= GENERIC_WRITE;
  // A writer lets others read; a reader lets others do anything, so that it can
  // open a file another handle is writing, or will delete on close.
  DWORD share = FILE_SHARE_READ;
  if (!(mode & kWrite)) share |= FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  if (temporary) share |= FILE_SHARE_DELETE;
  DWORD flags = temporary ? FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE : FILE_ATTRIBUTE_NORMAL;
  HANDLE file = CreateFileA(name, access, share, nullptr, OPEN_ALWAYS, flags, nullptr);
  // The buffer is made even for a failed open: it refuses to be attached and
  // its release destroys it.
  CTSUsePtr<CTSIOBuffer> buffer(new CTSFileIOBuffer(file, true));
  return OpenBuffer(buffer.Get(), mode);
}

bool CTSIOStream::OpenMemory(void* data, int32_t size, uint32_t mode, bool owns) {
  if (data == nullptr) return false;
  CTSUsePtr<CTSIOBuffer> buffer(new CTSMemoryIOBuffer(data, size, owns));
  return OpenBuffer(buffer.Get(), mode);
}

void CTSIOStream::Close() {
  if (m_buffer != nullptr) m_buffer->Release();
  m_buffer = nullptr;
  m_position = 0;
  m_mode = 0;
}

int32_t CTSIOStream::Read(void* dest, int32_t size) {
  if (size < 1 || !CanRead()) return 0;
  int32_t n = m_buffer->ReadAt(m_position, dest, size);
  m_position += n;
  return n;
}

int32_t CTSIOStream::Write(const void* src, int32_t size) {
  if (size < 1 || !CanWrite()) return 0;
  int32_t n = m_buffer->WriteAt(m_position, src, size);
  m_position += n;
  return n;
}

int32_t CTSIOStream::Seek(int32_t offset, int32_t origin) {
  if (m_buffer == nullptr) return 0;
  int32_t size = GetSize();
  // Computed in 64 bits so that no offset can overflow.
  int64_t position = m_position;
  if (origin == 0)
    position = offset;
  else if (origin == 1)
    position = static_cast<int64_t>(m_position) + offset;
  else if (origin == 2)
    position = static_cast<int64_t>(size) + offset;
  m_position = static_cast<int32_t>(std::clamp<int64_t>(position, 0, std::max(size, 0)));
  return m_position;
}

int32_t CTSIOStream::GetSize() const { return m_buffer != nullptr ? m_buffer->GetSize() : 0; }
