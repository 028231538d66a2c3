// Test doubles and file helpers shared by the IO tests.
#pragma once

#include <dirent.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/io/TSIOBuffer.h"

// A buffer over a string that counts its calls and reports its destruction.
class CSpyBuffer : public CTSIOBuffer {
 public:
  CSpyBuffer(std::string content, bool* destroyed) : m_content(std::move(content)), m_destroyed(destroyed) {}
  ~CSpyBuffer() override {
    if (m_destroyed != nullptr) *m_destroyed = true;
  }

  int32_t ReadAt(int32_t offset, void* dest, int32_t size) override {
    ++reads;
    lastOffset = offset;
    lastSize = size;
    CTSMemoryIOBuffer memory(m_content.data(), static_cast<int32_t>(m_content.size()), false);
    return memory.ReadAt(offset, dest, size);
  }
  int32_t WriteAt(int32_t offset, const void* src, int32_t size) override {
    ++writes;
    lastOffset = offset;
    lastSize = size;
    CTSMemoryIOBuffer memory(m_content.data(), static_cast<int32_t>(m_content.size()), false);
    return memory.WriteAt(offset, src, size);
  }
  int32_t GetSize() override { return static_cast<int32_t>(m_content.size()); }
  bool IsValid() override { return valid; }

  const std::string& Content() const { return m_content; }

  int reads = 0;
  int writes = 0;
  int32_t lastOffset = -1;
  int32_t lastSize = -1;
  bool valid = true;

 private:
  std::string m_content;
  bool* m_destroyed;
};

inline void WriteWholeFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

inline bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

// The process's open file descriptors, to see that handles are closed.
inline int OpenDescriptorCount() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

// Bytes 0, 1, ..., 255, 0, 1, ... of the given length.
inline std::string CountingBytes(size_t length) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i & 0xFF);
  return bytes;
}
