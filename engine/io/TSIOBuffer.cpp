#include "engine/io/TSIOBuffer.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// The bytes of a request of size at offset that fall inside [0, length).
// File requests are clipped to INT32_MAX the same way, so that a position
// advanced by the result stays an int32.
int32_t ClipToLength(int32_t offset, int32_t size, int32_t length) {
  if (offset < 0 || size < 1 || offset >= length) return 0;
  return static_cast<int64_t>(offset) + size > length ? length - offset : size;
}

}  // namespace

CTSFileIOBuffer::CTSFileIOBuffer(HANDLE file, bool owns) : m_file(file), m_owns(owns) {}

CTSFileIOBuffer::~CTSFileIOBuffer() {
  if (m_owns && IsValid()) CloseHandle(m_file);
  m_file = nullptr;
}

int32_t CTSFileIOBuffer::ReadAt(int32_t offset, void* dest, int32_t size) {
  if (!IsValid() || dest == nullptr) return 0;
  size = ClipToLength(offset, size, std::numeric_limits<int32_t>::max());
  if (size == 0 || SetFilePointer(m_file, offset, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return 0;
  DWORD read = 0;
  if (!ReadFile(m_file, dest, static_cast<DWORD>(size), &read, nullptr)) return 0;
  return static_cast<int32_t>(read);
}

int32_t CTSFileIOBuffer::WriteAt(int32_t offset, const void* src, int32_t size) {
  if (!IsValid() || src == nullptr) return 0;
  size = ClipToLength(offset, size, std::numeric_limits<int32_t>::max());
  if (size == 0 || SetFilePointer(m_file, offset, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return 0;
  DWORD written = 0;
  if (!WriteFile(m_file, src, static_cast<DWORD>(size), &written, nullptr)) return 0;
  return static_cast<int32_t>(written);
}

int32_t CTSFileIOBuffer::GetSize() {
  if (!IsValid()) return 0;
  DWORD high = 0;
  DWORD low = GetFileSize(m_file, &high);
  // A file of 4 GiB - 1 bytes has the same low word as a failure.
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return 0;
  if (high != 0 || low > static_cast<DWORD>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(low);
}

bool CTSFileIOBuffer::IsValid() { return m_file != nullptr && m_file != INVALID_HANDLE_VALUE; }

CTSMemoryIOBuffer::CTSMemoryIOBuffer(void* data, int32_t length, bool owns)
    : m_data(static_cast<uint8_t*>(data)), m_length(length), m_owns(owns) {}

CTSMemoryIOBuffer::~CTSMemoryIOBuffer() {
  if (m_owns && m_data != nullptr) std::free(m_data);
  m_data = nullptr;
}

int32_t CTSMemoryIOBuffer::ReadAt(int32_t offset, void* dest, int32_t size) {
  if (m_data == nullptr || dest == nullptr) return 0;
  int32_t n = ClipToLength(offset, size, m_length);
  if (n > 0) std::memcpy(dest, m_data + offset, n);
  return n;
}

int32_t CTSMemoryIOBuffer::WriteAt(int32_t offset, const void* src, int32_t size) {
  if (m_data == nullptr || src == nullptr) return 0;
  int32_t n = ClipToLength(offset, size, m_length);
  if (n > 0) std::memcpy(m_data + offset, src, n);
  return n;
}

int32_t CTSMemoryIOBuffer::GetSize() { return m_length; }

bool CTSMemoryIOBuffer::IsValid() { return m_data != nullptr && m_length >= 0; }

CTSStreamIOBuffer::CTSStreamIOBuffer(CTSIOBuffer* inner, int32_t offset, int32_t length)
    : m_inner(inner), m_offset(offset), m_length(length) {
  if (m_inner != nullptr) m_inner->AddRef();
}

CTSStreamIOBuffer::~CTSStreamIOBuffer() {
  if (m_inner != nullptr) m_inner->Release();
  m_inner = nullptr;
}

int32_t CTSStreamIOBuffer::Clip(int32_t offset, int32_t size) const {
  if (m_inner == nullptr || m_offset < 0) return 0;
  int32_t n = ClipToLength(offset, size, m_length);
  // The inner offset must still be a valid int32.
  if (static_cast<int64_t>(m_offset) + offset > std::numeric_limits<int32_t>::max()) return 0;
  return n;
}

int32_t CTSStreamIOBuffer::ReadAt(int32_t offset, void* dest, int32_t size) {
  int32_t n = Clip(offset, size);
  return n > 0 ? m_inner->ReadAt(m_offset + offset, dest, n) : 0;
}

int32_t CTSStreamIOBuffer::WriteAt(int32_t offset, const void* src, int32_t size) {
  int32_t n = Clip(offset, size);
  return n > 0 ? m_inner->WriteAt(m_offset + offset, src, n) : 0;
}

int32_t CTSStreamIOBuffer::GetSize() { return m_length; }

bool CTSStreamIOBuffer::IsValid() { return m_inner != nullptr; }
