// Feeds arbitrary bytes to the settings reader as a settings file, then asks
// for what the demo reads and for a key and section named by the input itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  // The stream only reads: it never writes through the cast-away const.
  CTSIOStream stream(const_cast<uint8_t*>(data), static_cast<int32_t>(size), CTSIOStream::kRead, false);
  CIniFile ini;
  if (!ini.Parse(&stream)) __builtin_trap();

  ini.SelectSection("Settting");
  ini.GetInt("EnableDirtyRect", 1);
  ini.GetInt("LockFPS", 1);

  // The first line of the input, up to a zero byte, names a section and a key.
  std::string name(reinterpret_cast<const char*>(data), size);
  name = name.substr(0, name.find('\n')).c_str();
  ini.SelectSection(name.c_str());
  std::string value;
  if (ini.GetString(name.c_str(), &value) && ini.GetInt(name.c_str(), 0) != ini.GetInt(name.c_str(), 1))
    __builtin_trap();  // a present key never gives its default
  return 0;
}
