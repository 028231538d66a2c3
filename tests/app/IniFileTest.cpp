// The settings reader: sections and keys looked up in a table of texts, and
// its numbers and line ends checked against references on random input.
#include <gtest/gtest.h>

#include <random>

#include "app/IniFile.h"
#include "tests/common/TempFolder.h"

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

TEST(IniFile, FindsEachKeyInItsSection) {
  const std::string values =
      "[S]\nLockFPS=  30  \nQuoted= \"  30  \" trailing\nTabs\t=\t\tx y\t\nRemark=25;frames per "
      "second\nEmpty=\n"
      "Blank=  \"\"\nHalf=\"open\n\"Key\"=plain\nNoEquals\n\vVertical\v=\v1\v\n";
  const std::string sections =
      "Before=ignored\n[  Settting\t]\nA=1\nA=2\nName=[Hero]\nB=3\ntext before [ Settting ] text after\nC=4\n"
      "] reversed [ Odd ]\nD=5\n]only closing\nE=6\n[settting]\nA=7\n[]\nF=8\n";
  // The value of the key after selecting the section (null: the one current after parsing), which
  // is found or not.
  auto expect = [](const std::string& text, const char* section, const char* key, const char* value,
                   bool found = true) {
    CIniFile ini;
    ASSERT_TRUE(ParseText(&ini, text));
    EXPECT_TRUE(section == nullptr || ini.SelectSection(section) == found) << section;
    EXPECT_EQ(Value(ini, key), value) << text << " [" << (section ? section : "") << "] " << key;
  };
  // Trimmed unless quoted; a quote before the "=" is part of the key.
  for (auto [key, value] : {std::pair{"LockFPS", "30"},
                            {"Quoted", "  30  "},
                            {"Tabs", "x y"},
                            {"Empty", ""},
                            {"Remark", "25;frames per second"},
                            {"Blank", ""},
                            {"Half", "\"open"},
                            {"\"Key\"", "plain"},
                            {"NoEquals", "<none>"},
                            {"\vVertical\v", "\v1\v"},
                            {" LockFPS", "<none>"}})
    expect(values, nullptr, key, value);
  // The first occurrence wins; a bracketed value makes a header; a repeated header continues its
  // section; "]" before "[": the name is all after the "["; a lone "]" is no header.
  for (auto [section, key, value] : {std::tuple{"Settting", "A", "1"},
                                     {"Settting", "Name", "<none>"},
                                     {"Hero", "B", "3"},
                                     {"Settting", "C", "4"},
                                     {"Settting", "Before", "<none>"},
                                     {"Odd ]", "D", "5"},
                                     {"Odd ]", "E", "6"},
                                     {"settting", "A", "7"},
                                     {"", "F", "8"}})
    expect(sections, section, key, value);
  // Only the CR right before a LF goes.
  for (auto [key, value] : {std::pair{"A", "1\r"}, {"B", "x\r"}, {"C", "2\r"}})
    expect("[S]\nA=1\r\r\nB=\"x\r\"\r\nC=2\r", nullptr, key, value);
  expect("[S]\nD=last", nullptr, "D", "last");
  expect("A=3\n", nullptr, "A", "<none>");  // no current section without headers
  // Without a section of the name the last section of the file stays current.
  expect("[Video]\nLockFPS=1\n[Other]\nLockFPS=0\n", "Settting", "LockFPS", "0", false);
  expect("[One]\nA=1\n[Two]\nA=2\n", "Three", "A", "2", false);
  CIniFile ini;
  std::string out = "unchanged";
  EXPECT_FALSE(ini.SelectSection("S") || ini.SelectSection(nullptr) || ini.GetString(nullptr, &out) ||
               ini.GetString("A", nullptr) || ini.GetString("B", &out));
  EXPECT_TRUE(out == "unchanged" && ini.GetInt("B", 42) + ini.GetInt(nullptr, 42) == 84);
  std::string longValue(100000, 'v');  // lines of any length, bytes of any value
  longValue[5000] = '\0';
  ASSERT_TRUE(ParseText(&ini, "[S]\nLong=" + longValue + "\n"));
  EXPECT_EQ(Value(ini, "Long"), longValue);
}

TEST(IniFile, ParseReplacesEverythingFromTheStreamsPositionAndRefusesUnreadableStreams) {
  TempFolder folder;
  CIniFile ini;  // a missing file is created empty
  EXPECT_TRUE(ini.Parse(std::make_unique<CTSIOStream>("Settings.ini", CTSIOStream::kRead, false).get()) &&
              ReadWholeFile("Settings.ini").empty());
  ASSERT_TRUE(ParseText(&ini, "[Old]\nA=1\n"));
  std::string text = "[New]\nA=2\n";
  CTSIOStream writeOnly(text.data(), static_cast<int32_t>(text.size()), CTSIOStream::kWrite, false);
  EXPECT_FALSE(ini.Parse(nullptr) || ini.Parse(&writeOnly) || Value(ini, "A") != "1");
  CTSIOStream stream(text.data(), static_cast<int32_t>(text.size()), CTSIOStream::kRead, false);
  stream.Seek(6, 0);
  ASSERT_TRUE(ini.Parse(&stream));
  EXPECT_TRUE(!ini.SelectSection("New") && !ini.SelectSection("Old") && Value(ini, "A") == "<none>");
}

TEST(IniFile, GetIntConvertsAsStrtollClampedToIntAndCrLfTextsReadAsTheirLfTwins) {
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
  ASSERT_TRUE(
      ParseText(&ini, "[N]\nHuge=99999999999999999999999999\nTiny=-99999999999999999999999\nEmpty=\n"));
  EXPECT_TRUE(ini.GetInt("Huge", 0) == INT_MAX && ini.GetInt("Tiny", 0) == INT_MIN &&
              ini.GetInt("Empty", -1) == 0);
  // CRLF texts read as their LF twins: random texts over the bytes that matter to the
  // parser; every key the text could define is looked up in every section it could name.
  const char alphabet[] = "[]=\"\n \tab";
  const char* names[] = {"", "a", "b", "ab", "ba", "aa", "bb"};
  for (int i = 0; i < 3000; ++i) {
    std::string lf, crlf;
    for (int length = static_cast<int>(random() % 60); length > 0; --length) {
      lf += alphabet[random() % (sizeof(alphabet) - 1)];
      crlf += lf.back() == '\n' ? std::string("\r\n") : lf.substr(lf.size() - 1);
    }
    CIniFile first, second;
    ASSERT_TRUE(ParseText(&first, lf) && ParseText(&second, crlf));
    for (const char* section : names) {
      ASSERT_EQ(first.SelectSection(section), second.SelectSection(section)) << lf;
      for (const char* key : names) ASSERT_EQ(Value(first, key), Value(second, key)) << lf;
    }
  }
}

}  // namespace
