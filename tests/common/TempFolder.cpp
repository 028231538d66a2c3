#include "tests/common/TempFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

TempFolder::TempFolder() {
  m_previous = std::filesystem::current_path().string();
  std::string pattern = (std::filesystem::temp_directory_path() / "tessel-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  m_path = pattern;
  m_owner = getpid();
  std::filesystem::current_path(m_path);
}

TempFolder::~TempFolder() {
  std::filesystem::current_path(m_previous);
  if (getpid() != m_owner) return;
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}
