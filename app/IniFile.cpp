#include "app/IniFile.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

namespace {

// Only spaces and tabs count as white space around names and values.
std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// atoi's reading of a number, saturating instead of overflowing.
int ToInt(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  const int64_t limit = negative ? -static_cast<int64_t>(INT_MIN) : INT_MAX;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value >= limit) {
      value = limit;
      break;
    }
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

bool CIniFile::Parse(CTSIOStream* stream) {
  if (stream == nullptr || !stream->CanRead()) return false;
  m_sections.clear();
  m_current = nullptr;
  const int32_t size = stream->GetSize();

  // Lines end at a line feed; a carriage return just before it is dropped. A
  // last line without a line feed keeps all its bytes.
  std::string line;
  char chunk[4096];
  while (stream->Tell() < size) {
    int32_t n =
        stream->Read(chunk, static_cast<int32_t>(std::min<int64_t>(sizeof(chunk), size - stream->Tell())));
    if (n <= 0) break;  // the data ended early: keep what was read
    for (int32_t i = 0; i < n; ++i) {
      if (chunk[i] != '\n') {
        line.push_back(chunk[i]);
        continue;
      }
      if (!line.empty() && line.back() == '\r') line.pop_back();
      HandleLine(line);
      line.clear();
    }
  }
  if (!line.empty()) HandleLine(line);
  return true;
}

void CIniFile::HandleLine(const std::string& line) {
  size_t open = line.find('[');
  size_t close = line.find(']');
  if (open != std::string::npos && close != std::string::npos) {
    // A "]" before the "[" does not end the name: it runs to the end of the line.
    size_t count = close > open ? close - open - 1 : std::string::npos;
    m_current = &m_sections[Trim(line.substr(open + 1, count))];
    return;
  }
  if (m_current == nullptr) return;
  size_t equals = line.find('=');
  if (equals == std::string::npos) return;
  std::string key = Trim(line.substr(0, equals));
  std::string value;
  size_t quote = line.find('"', equals);
  size_t endQuote = quote == std::string::npos ? std::string::npos : line.find('"', quote + 1);
  if (endQuote != std::string::npos)
    value = line.substr(quote + 1, endQuote - quote - 1);
  else
    value = Trim(line.substr(equals + 1));
  m_current->emplace(std::move(key), std::move(value));  // the first occurrence wins
}

bool CIniFile::SelectSection(const char* name) {
  if (name == nullptr) return false;
  auto it = m_sections.find(name);
  if (it == m_sections.end()) return false;
  m_current = &it->second;
  return true;
}

bool CIniFile::GetString(const char* key, std::string* out) const {
  if (m_current == nullptr || key == nullptr || out == nullptr) return false;
  auto it = m_current->find(key);
  if (it == m_current->end()) return false;
  *out = it->second;
  return true;
}

int CIniFile::GetInt(const char* key, int defaultValue) const {
  std::string value;
  return GetString(key, &value) ? ToInt(value) : defaultValue;
}
