// A file interface over a heap buffer, either attached by the caller or grown
// by writing.
#pragma once

#include "engine/image/codec/DibFile.h"

class CDibMemFile : public CDibFile {
 public:
  // Attaches `buffer` (not owned) holding `size` bytes of data; null attaches
  // nothing.
  CDibMemFile(BYTE* buffer = nullptr, size_t size = 0);
  ~CDibMemFile() override;
  CDibMemFile(const CDibMemFile&) = delete;
  CDibMemFile& operator=(const CDibMemFile&) = delete;

  // Allocates a fresh owned buffer of 1 byte; false when a buffer is attached.
  bool Open();
  // Gives the buffer; with `detach` set the file no longer frees it.
  BYTE* DetachBuffer(bool detach);

  bool Close() override;
  size_t Read(void* buffer, size_t size, size_t count) override;
  size_t Write(const void* buffer, size_t size, size_t count) override;
  bool Seek(long offset, int origin) override;
  long Tell() override;
  long Size() override;
  bool Flush() override;
  bool Eof() override;
  long Error() override;
  bool PutByte(BYTE byte) override;
  long GetByte() override;

  size_t GetCapacity() const { return m_capacity; }

 private:
  // Makes room for `end` bytes by the growth rule; false when that fails.
  bool Reserve(size_t end);

  BYTE* m_buffer;
  size_t m_size;
  bool m_ownsBuffer = false;
  size_t m_position = 0;
  size_t m_capacity;
};
