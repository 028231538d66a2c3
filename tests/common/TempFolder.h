// A fresh temporary folder made the current directory for the test's life.
// Only the process that made it removes it (a forked child leaves it).
#pragma once

#include <string>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& Path() const { return m_path; }

 private:
  std::string m_previous;
  std::string m_path;
  int m_owner;
};

// The whole content of a file, or an empty string when it cannot be read.
std::string ReadWholeFile(const std::string& path);
