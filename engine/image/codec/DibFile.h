// The file interface through which the image codecs read and write; the codecs
// see files only through it.
#pragma once

#include <cstddef>

#include "platform/Windows.h"

class CDibFile {
 public:
  virtual ~CDibFile() = default;
  virtual bool Close() = 0;
  // Both give the number of whole items transferred.
  virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t size, size_t count) = 0;
  // Origin 0 is the start, 1 the current position, 2 the end.
  virtual bool Seek(long offset, int origin) = 0;
  virtual long Tell() = 0;
  virtual long Size() = 0;
  virtual bool Flush() = 0;
  virtual bool Eof() = 0;
  virtual long Error() = 0;
  virtual bool PutByte(BYTE byte) = 0;
  // The next byte, or -1 at the end.
  virtual long GetByte() = 0;
};
