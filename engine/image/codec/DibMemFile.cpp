#include "engine/image/codec/DibMemFile.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {
constexpr size_t kGrowthStep = 4096;
}

CDibMemFile::CDibMemFile(BYTE* buffer, size_t size)
    : m_buffer(buffer), m_size(buffer != nullptr ? size : 0), m_capacity(m_size) {}

CDibMemFile::~CDibMemFile() { Close(); }

bool CDibMemFile::Open() {
  if (m_buffer != nullptr) return false;
  m_buffer = static_cast<BYTE*>(malloc(1));
  if (m_buffer == nullptr) return false;
  m_ownsBuffer = true;
  m_size = 0;
  m_position = 0;
  m_capacity = 1;
  return true;
}

BYTE* CDibMemFile::DetachBuffer(bool detach) {
  if (detach) m_ownsBuffer = false;
  return m_buffer;
}

bool CDibMemFile::Close() {
  if (m_ownsBuffer) free(m_buffer);
  m_buffer = nullptr;
  m_ownsBuffer = false;
  m_size = m_position = m_capacity = 0;
  return true;
}

size_t CDibMemFile::Read(void* buffer, size_t size, size_t count) {
  if (m_buffer == nullptr || buffer == nullptr || size == 0 || m_position >= m_size) return 0;
  size_t available = m_size - m_position;
  size_t wanted = count > available / size ? available : size * count;
  memcpy(buffer, m_buffer + m_position, wanted);
  m_position += wanted;
  return wanted / size;
}

bool CDibMemFile::Reserve(size_t end) {
  if (end <= m_capacity) return true;
  if (end > LONG_MAX - kGrowthStep) return false;
  size_t capacity = (end & ~(kGrowthStep - 1)) + kGrowthStep;
  BYTE* grown;
  if (m_ownsBuffer) {
    grown = static_cast<BYTE*>(realloc(m_buffer, capacity));
  } else {
    // A buffer attached by the caller is never reallocated: copy it out.
    grown = static_cast<BYTE*>(malloc(capacity));
    if (grown != nullptr) memcpy(grown, m_buffer, m_size);
  }
  if (grown == nullptr) return false;
  m_buffer = grown;
  m_ownsBuffer = true;
  m_capacity = capacity;
  return true;
}

size_t CDibMemFile::Write(const void* buffer, size_t size, size_t count) {
  if (m_buffer == nullptr || buffer == nullptr || size == 0 || count == 0) return 0;
  if (count > (LONG_MAX - m_position) / size) return 0;
  size_t bytes = size * count;
  if (!Reserve(m_position + bytes)) return 0;
  // Bytes skipped by a seek past the end read back as zeros.
  if (m_position > m_size) memset(m_buffer + m_size, 0, m_position - m_size);
  memcpy(m_buffer + m_position, buffer, bytes);
  m_position += bytes;
  m_size = std::max(m_size, m_position);
  return count;
}

bool CDibMemFile::PutByte(BYTE byte) { return Write(&byte, 1, 1) == 1; }

long CDibMemFile::GetByte() {
  if (m_buffer == nullptr || m_position >= m_size) return -1;
  return m_buffer[m_position++];
}

bool CDibMemFile::Seek(long offset, int origin) {
  if (m_buffer == nullptr) return false;
  long base;
  switch (origin) {
    case 0:
      base = 0;
      break;
    case 1:
      base = static_cast<long>(m_position);
      break;
    case 2:
      base = static_cast<long>(m_size);
      break;
    default:
      return false;
  }
  long target;
  if (__builtin_add_overflow(base, offset, &target)) target = offset < 0 ? 0 : LONG_MAX;
  m_position = static_cast<size_t>(std::max(0L, target));
  return true;
}

long CDibMemFile::Tell() { return m_buffer == nullptr ? -1 : static_cast<long>(m_position); }

long CDibMemFile::Size() { return m_buffer == nullptr ? -1 : static_cast<long>(m_size); }

bool CDibMemFile::Flush() { return true; }

bool CDibMemFile::Eof() { return m_buffer == nullptr || m_position >= m_size; }

long CDibMemFile::Error() { return m_buffer == nullptr ? -1 : (m_position > m_size ? 1 : 0); }
