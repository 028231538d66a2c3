#include "tests/common/TempFolder.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

TempFolder::TempFolder() {
  m_previous = std::filesystem::current_path().string();
  // A random name, retried while taken (mkdtemp is not on every system).
  std::filesystem::path path;
  do
    path = std::filesystem::temp_directory_path() / ("tessel-test-" + std::to_string(std::random_device()()));
  while (!std::filesystem::create_directory(path));
  m_path = path.string();
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
