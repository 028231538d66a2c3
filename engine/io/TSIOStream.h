// The engine's sequential byte stream: a position and access rights over an
// IO buffer, of which it holds one use while open.
#pragma once

#include <cstdint>

#include "engine/io/TSIOBuffer.h"

class CTSIOStream : public CTSUseCountObject {
  TS_DECLARE_CLASS_IDENTITY(CTSUseCountObject, TS_GUID_IO_STREAM)

 public:
  // Mode bits.
  static constexpr uint32_t kRead = 1;
  static constexpr uint32_t kWrite = 2;

  // Each constructor opens the stream; callers test CanRead or CanWrite.
  CTSIOStream(CTSIOBuffer* buffer, uint32_t mode);
  CTSIOStream(const char* name, uint32_t mode, bool temporary);
  CTSIOStream(void* data, int32_t size, uint32_t mode, bool owns);
  ~CTSIOStream() override;

  // Attaches buffer (taking a use of it); re-opening the attached buffer keeps
  // the position and mode. Anything else closes first; a null or invalid
  // buffer leaves the stream closed and gives false.
  bool OpenBuffer(CTSIOBuffer* buffer, uint32_t mode);
  // Opens or creates the named file. A temporary file is deleted when its last
  // handle is closed.
  bool OpenFile(const char* name, uint32_t mode, bool temporary);
  // A stream over a memory block of size bytes; an owned block (from
  // std::malloc) is freed with the buffer, also when the open fails.
  bool OpenMemory(void* data, int32_t size, uint32_t mode, bool owns);
  void Close();

  int32_t Read(void* dest, int32_t size);
  int32_t Write(const void* src, int32_t size);
  // Origin 0 from the start, 1 from the position, 2 from the end, any other
  // keeps the position; the result is clamped to [0, GetSize()].
  int32_t Seek(int32_t offset, int32_t origin);
  int32_t Tell() const { return m_position; }
  int32_t GetSize() const;
  bool CanRead() const { return m_buffer != nullptr && (m_mode & kRead) != 0; }
  bool CanWrite() const { return m_buffer != nullptr && (m_mode & kWrite) != 0; }

 private:
  CTSIOBuffer* m_buffer = nullptr;
  int32_t m_position = 0;
  uint32_t m_mode = 0;
};
