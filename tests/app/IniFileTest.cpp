// The settings reader against a plain reference reader on random texts
// (sections, keys, values, quotes, line ends), its numbers against strtoll,
// and the refusals of bad streams and arguments.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>

#include "app/IniFile.h"

namespace {

// Parses the text through a read-only memory stream.
bool ParseText(CIniFile* ini, std::string text) {
  CTSIOStream stream(text.data(), static_cast<int32_t>(text.size()), CTSIOStream::kRead, false);
  return ini->Parse(&stream);
}

std::string Value(const CIniFile& ini, const char* key) {
  std::string value;
  return ini.GetString(key, &value) ? value : "<none>";
}

using Sections = std::map<std::string, std::map<std::string, std::string>>;

std::string Trim(std::string text) {
  text.erase(0, text.find_first_not_of(" \t"));
  return text.erase(text.find_last_not_of(" \t") + 1);
}

// The file format as written down: lines end at a LF, and a CR right before
// it goes. A line holding both "[" and "]" starts the section named between
// them (trimmed; to the line's end when the "]" comes first). In a section,
// "key = value" sets the key, trimmed, to the text between the first two
// quotes after the "=", else to the rest trimmed; the first setting wins.
// Spaces and tabs alone are trimmed. Also returns the section last started.
Sections Reference(const std::string& text, std::string* last) {
  Sections sections;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!in.eof() && !line.empty() && line.back() == '\r') line.pop_back();
    const size_t open = line.find('['), close = line.find(']'), equals = line.find('=');
    if (open != std::string::npos && close != std::string::npos) {
      *last = Trim(line.substr(open + 1, close > open ? close - open - 1 : std::string::npos));
      sections[*last];
    } else if (sections.count(*last) != 0 && equals != std::string::npos) {
      const size_t quote = line.find('"', equals);
      const size_t end = quote == std::string::npos ? quote : line.find('"', quote + 1);
      sections[*last].emplace(Trim(line.substr(0, equals)), end != std::string::npos
                                                                ? line.substr(quote + 1, end - quote - 1)
                                                                : Trim(line.substr(equals + 1)));
    }
  }
  return sections;
}

// Random texts over the bytes that matter to the reader: every key the text
// could define is looked up in the section current after parsing, then in
// each section it could name (a failed selection keeps the current one).
TEST(IniFile, ReadsRandomTextsAsTheReferenceDoes) {
  std::mt19937 random(11);
  const char alphabet[] = "[]=\"\n\r \t\vab";
  const char* names[] = {"", "a", "b", "ab", "ba", "aa", "bb", "\va", "a\v", "none"};
  for (int i = 0; i < 6000; ++i) {
    std::string text;
    for (int length = static_cast<int>(random() % 70); length > 0; --length)
      text += alphabet[random() % (sizeof(alphabet) - 1)];
    std::string current = "\n";  // no section yet: a name no line can give
    const Sections expected = Reference(text, &current);
    CIniFile ini;
    ASSERT_TRUE(ParseText(&ini, text));
    for (const char* name : names) {
      for (const char* key : names) {
        const bool known = expected.count(current) != 0 && expected.at(current).count(key) != 0;
        ASSERT_EQ(Value(ini, key), known ? expected.at(current).at(key) : "<none>")
            << testing::PrintToString(text) << " [" << current << "] " << key;
      }
      ASSERT_EQ(ini.SelectSection(name), expected.count(name) != 0) << testing::PrintToString(text);
      if (expected.count(name) != 0) current = name;
    }
  }
}

TEST(IniFile, ParseReplacesEverythingFromTheStreamsPositionAndRefusesBadStreamsAndArguments) {
  CIniFile ini;
  std::string out = "unchanged";
  EXPECT_FALSE(ini.SelectSection("S") || ini.SelectSection(nullptr) || ini.GetString(nullptr, &out) ||
               ini.GetString("A", nullptr) || ini.GetString("B", &out));
  EXPECT_TRUE(out == "unchanged" && ini.GetInt("B", 42) + ini.GetInt(nullptr, 42) == 84);
  ASSERT_TRUE(ParseText(&ini, "[Old]\nA=1\n"));
  std::string text = "[New]\nA=2\n";
  CTSIOStream writeOnly(text.data(), static_cast<int32_t>(text.size()), CTSIOStream::kWrite, false);
  EXPECT_FALSE(ini.Parse(nullptr) || ini.Parse(&writeOnly) || Value(ini, "A") != "1");
  CTSIOStream stream(text.data(), static_cast<int32_t>(text.size()), CTSIOStream::kRead, false);
  stream.Seek(6, 0);
  ASSERT_TRUE(ini.Parse(&stream));
  EXPECT_TRUE(!ini.SelectSection("New") && !ini.SelectSection("Old") && Value(ini, "A") == "<none>");
  std::string longValue(100000, 'v');  // lines of any length, bytes of any value
  longValue[5000] = '\0';
  ASSERT_TRUE(ParseText(&ini, "[S]\nLong=" + longValue + "\n"));
  EXPECT_EQ(Value(ini, "Long"), longValue);
}

TEST(IniFile, GetIntConvertsAsStrtollClampedToInt) {
  std::mt19937 random(7);
  const char* prefixes[] = {"", " ", "\t", "-", "+", " -", "0", "-0", "\v\f\r ", "--", "x"};
  for (int i = 0; i < 3000; ++i) {
    std::string number = prefixes[random() % 11];
    int digits = 1 + static_cast<int>(random() % 15);
    for (int d = 0; d < digits; ++d) number += static_cast<char>('0' + random() % 10);
    if (random() % 2) number += "x9";
    CIniFile ini;
    ASSERT_TRUE(ParseText(&ini, "[R]\nN=\"" + number + "\"\n"));
    long long reference = std::strtoll(number.c_str(), nullptr, 10);  // at most 16 digits: no overflow
    reference = std::min<long long>(std::max<long long>(reference, INT_MIN), INT_MAX);
    ASSERT_EQ(ini.GetInt("N", 99), reference) << number;
  }
  CIniFile ini;
  ASSERT_TRUE(ParseText(&ini, "[N]\nHuge=99999999999999999999999999\nTiny=-99999999999999999999999\n"));
  EXPECT_TRUE(ini.GetInt("Huge", 0) == INT_MAX && ini.GetInt("Tiny", 0) == INT_MIN);
}

}  // namespace
