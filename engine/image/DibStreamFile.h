// The codec layer's file interface over an engine stream. Takes no use of the
// stream, which must outlive it.
#pragma once

#include "engine/image/codec/DibFile.h"
#include "engine/io/TSIOStream.h"

class CDibStreamFile : public CDibFile {
 public:
  // A null stream throws the engine exception "Invalid Stream Handle".
  explicit CDibStreamFile(CTSIOStream* stream);
  ~CDibStreamFile() override;

  // Forgets the stream without releasing it.
  bool Close() override;
  size_t Read(void* buffer, size_t size, size_t count) override;
  size_t Write(const void* buffer, size_t size, size_t count) override;
  bool Seek(long offset, int origin) override;
  long Tell() override;
  long Size() override;
  // Not supported: says so on the debugger output and gives false.
  bool Flush() override;
  bool Eof() override;
  // Not supported: says so on the debugger output and gives 0.
  long Error() override;
  bool PutByte(BYTE byte) override;
  // The next byte, or -1 when nothing can be read.
  long GetByte() override;

 private:
  CTSIOStream* m_stream;
};
