// Runs a fuzz target's checks over saved inputs outside libFuzzer: every file
// named, or found in a folder named, goes once through LLVMFuzzerTestOneInput.
// A failed check traps, so the process ends abnormally and the test fails.
// Built with the test suite, so every seed and every saved crash stays a
// regression test, under the sanitizers too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool Replay(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A copy of exactly the file's size, so that the sanitizers see a read past its end.
  std::vector<uint8_t> exact(bytes);
  LLVMFuzzerTestOneInput(exact.data(), exact.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    if (std::filesystem::is_directory(argv[i], error)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i])) {
        if (!entry.is_regular_file()) continue;
        if (!Replay(entry.path())) {
          std::fprintf(stderr, "cannot read %s\n", entry.path().c_str());
          return 1;
        }
        ++replayed;
      }
    } else if (Replay(argv[i])) {
      ++replayed;
    } else {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      return 1;
    }
  }
  std::printf("%d inputs replayed\n", replayed);
  // No input at all means a wrong path, not a pass.
  return replayed > 0 ? 0 : 1;
}
