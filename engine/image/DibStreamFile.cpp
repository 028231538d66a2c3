#include "engine/image/DibStreamFile.h"

#include <cstdint>
#include <new>

#include "engine/object/TSCustomException.h"

namespace {

// Streams move at most this many bytes a call.
constexpr size_t kChunk = size_t(1) << 30;

}  // namespace

CDibStreamFile::CDibStreamFile(CTSIOStream* stream) : m_stream(stream) {
  if (stream == nullptr) throw new (std::nothrow) Tessel::CTSCustomException("Invalid Stream Handle");
}

CDibStreamFile::~CDibStreamFile() { Close(); }

bool CDibStreamFile::Close() {
  m_stream = nullptr;
  return true;
}

size_t CDibStreamFile::Read(void* buffer, size_t size, size_t count) {
  if (m_stream == nullptr || buffer == nullptr || size == 0 || count > SIZE_MAX / size) return 0;
  size_t total = size * count;
  size_t done = 0;
  while (done < total) {
    size_t chunk = total - done < kChunk ? total - done : kChunk;
    int32_t moved = m_stream->Read(static_cast<BYTE*>(buffer) + done, static_cast<int32_t>(chunk));
    if (moved <= 0) break;
    done += size_t(moved);
    if (size_t(moved) < chunk) break;
  }
  return done / size;
}

size_t CDibStreamFile::Write(const void* buffer, size_t size, size_t count) {
  if (m_stream == nullptr || buffer == nullptr || size == 0 || count > SIZE_MAX / size) return 0;
  size_t total = size * count;
  size_t done = 0;
  while (done < total) {
    size_t chunk = total - done < kChunk ? total - done : kChunk;
    int32_t moved = m_stream->Write(static_cast<const BYTE*>(buffer) + done, static_cast<int32_t>(chunk));
    if (moved <= 0) break;
    done += size_t(moved);
    if (size_t(moved) < chunk) break;
  }
  return done / size;
}

bool CDibStreamFile::Seek(long offset, int origin) {
  if (m_stream == nullptr) return false;
  if (offset > INT32_MAX) offset = INT32_MAX;
  if (offset < INT32_MIN) offset = INT32_MIN;
  m_stream->Seek(static_cast<int32_t>(offset), origin);
  return true;
}

long CDibStreamFile::Tell() { return m_stream != nullptr ? m_stream->Tell() : 0; }

long CDibStreamFile::Size() { return m_stream != nullptr ? m_stream->GetSize() : 0; }

bool CDibStreamFile::Flush() {
  OutputDebugStringA("CDibStreamFile:Flush Doesn't support");
  return false;
}

bool CDibStreamFile::Eof() { return m_stream == nullptr || m_stream->Tell() >= m_stream->GetSize(); }

long CDibStreamFile::Error() {
  OutputDebugStringA("CDibStreamFile:Error Doesn't support");
  return 0;
}

bool CDibStreamFile::PutByte(BYTE byte) { return m_stream != nullptr && m_stream->Write(&byte, 1) == 1; }

long CDibStreamFile::GetByte() {
  BYTE byte = 0;
  if (m_stream == nullptr || m_stream->Read(&byte, 1) != 1) return -1;
  return byte;
}
