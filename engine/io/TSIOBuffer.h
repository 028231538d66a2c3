// Random-access byte stores behind a stream: a file, a memory block, or a
// window onto a range of another buffer. Every call names its own offset; a
// buffer keeps no position.
#pragma once

#include <cstdint>

#include "engine/object/TSUseCountObject.h"

class CTSIOBuffer : public CTSUseCountObject {
  TS_DECLARE_CLASS_IDENTITY(CTSUseCountObject, TS_GUID_IO_BUFFER)

 public:
  // Bytes copied into dest; 0 for a bad offset, size or pointer.
  virtual int32_t ReadAt(int32_t offset, void* dest, int32_t size) = 0;
  // Bytes taken from src.
  virtual int32_t WriteAt(int32_t offset, const void* src, int32_t size) = 0;
  virtual int32_t GetSize() = 0;
  virtual bool IsValid() = 0;
};

// A platform file handle, closed on destruction when owned. A handle that
// failed to open (null or INVALID_HANDLE_VALUE) is never used.
class CTSFileIOBuffer : public CTSIOBuffer {
  TS_DECLARE_CLASS_IDENTITY(CTSIOBuffer, TS_GUID_FILE_IO_BUFFER)

 public:
  CTSFileIOBuffer(HANDLE file, bool owns);
  ~CTSFileIOBuffer() override;

  int32_t ReadAt(int32_t offset, void* dest, int32_t size) override;
  int32_t WriteAt(int32_t offset, const void* src, int32_t size) override;
  // Files of 2 GiB or more report INT32_MAX: offsets beyond it cannot be named.
  int32_t GetSize() override;
  bool IsValid() override;

 private:
  HANDLE m_file;
  bool m_owns;
};

// A fixed memory block; reads and writes stop at its end. An owned block must
// come from std::malloc: it is freed with std::free.
class CTSMemoryIOBuffer : public CTSIOBuffer {
  TS_DECLARE_CLASS_IDENTITY(CTSIOBuffer, TS_GUID_MEMORY_IO_BUFFER)

 public:
  CTSMemoryIOBuffer(void* data, int32_t length, bool owns);
  ~CTSMemoryIOBuffer() override;

  int32_t ReadAt(int32_t offset, void* dest, int32_t size) override;
  int32_t WriteAt(int32_t offset, const void* src, int32_t size) override;
  int32_t GetSize() override;
  // A block with data and a length of at least 0.
  bool IsValid() override;

 private:
  uint8_t* m_data;
  int32_t m_length;
  bool m_owns;
};

// A window of length bytes starting at offset in an inner buffer, of which it
// holds one use. Reads and writes never reach past the window's end.
class CTSStreamIOBuffer : public CTSIOBuffer {
  TS_DECLARE_CLASS_IDENTITY(CTSIOBuffer, TS_GUID_STREAM_IO_BUFFER)

 public:
  CTSStreamIOBuffer(CTSIOBuffer* inner, int32_t offset, int32_t length);
  ~CTSStreamIOBuffer() override;

  int32_t ReadAt(int32_t offset, void* dest, int32_t size) override;
  int32_t WriteAt(int32_t offset, const void* src, int32_t size) override;
  int32_t GetSize() override;
  bool IsValid() override;

 private:
  // The bytes of a request at offset that lie inside the window; 0 if none.
  int32_t Clip(int32_t offset, int32_t size) const;

  CTSIOBuffer* m_inner;
  int32_t m_offset;
  int32_t m_length;
};
