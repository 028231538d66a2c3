// The settings reader: sections of key/value lines read from a stream and
// looked up by section and key.
#pragma once

#include <map>
#include <string>

#include "engine/io/TSIOStream.h"

class CIniFile {
 public:
  CIniFile() = default;
  CIniFile(const CIniFile&) = delete;
  CIniFile& operator=(const CIniFile&) = delete;
  virtual ~CIniFile() = default;

  // Replaces all contents with what the stream holds from its position to its
  // end. False (and nothing changed) for a null or unreadable stream.
  bool Parse(CTSIOStream* stream);
  // Makes the section current; a failed selection keeps the current one.
  bool SelectSection(const char* name);
  // The value of key in the current section.
  bool GetString(const char* key, std::string* out) const;
  // The value converted as atoi does, saturating at the int limits; the
  // default when the key is missing.
  int GetInt(const char* key, int defaultValue) const;

 private:
  using KeyTable = std::map<std::string, std::string>;

  void HandleLine(const std::string& line);

  std::map<std::string, KeyTable> m_sections;
  KeyTable* m_current = nullptr;
};
