#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <random>
#include <string>

#include "app/IniFile.h"
#include "tests/common/TempFolder.h"

namespace {

// Parses the text through a read-only memory stream.
bool ParseText(CIniFile* ini, const std::string& text) {
  std::string copy = text;
  CTSIOStream stream(copy.data(), static_cast<int32_t>(copy.size()), CTSIOStream::kRead, false);
  return ini->Parse(&stream);
}

std::string Value(const CIniFile& ini, const char* key) {
  std::string value;
  return ini.GetString(key, &value) ? value : "<none>";
}

// What the demo reads from a settings text: EnableDirtyRect, then LockFPS.
std::pair<int, int> DemoSettings(const std::string& text) {
  CIniFile ini;
  ParseText(&ini, text);
  ini.SelectSection("Settting");
  return {ini.GetInt("EnableDirtyRect", 1), ini.GetInt("LockFPS", 1)};
}

TEST(IniFile, TheDemoKeysWithAndWithoutTheirSection) {
  EXPECT_EQ(DemoSettings("[Settting]\nEnableDirtyRect = 0\nLockFPS=0\n"), std::make_pair(0, 0));
  EXPECT_EQ(DemoSettings("EnableDirtyRect = 0\nLockFPS=0\n"), std::make_pair(1, 1));
  EXPECT_EQ(DemoSettings(""), std::make_pair(1, 1));
  EXPECT_EQ(DemoSettings("[Settting]\r\nEnableDirtyRect=1\r\nLockFPS=-1\r\n"), std::make_pair(1, -1));
  // Without a section of that name the last section of the file stays current.
  EXPECT_EQ(DemoSettings("[Video]\nLockFPS=1\n[Other]\nLockFPS=0\n"), std::make_pair(1, 0));
  EXPECT_EQ(DemoSettings("[settting]\nLockFPS=0\n[Settting]\nLockFPS=5\n[Audio]\n"), std::make_pair(1, 5));
}

TEST(IniFile, TheDemoReadsSettingsIniFromTheCurrentFolder) {
  TempFolder folder;
  {
    // A missing file is created empty and the defaults apply.
    CTSIOStream stream("Settings.ini", CTSIOStream::kRead, false);
    CIniFile ini;
    EXPECT_TRUE(ini.Parse(&stream));
    EXPECT_FALSE(ini.SelectSection("Settting"));
    EXPECT_EQ(ini.GetInt("LockFPS", 1), 1);
  }
  EXPECT_EQ(ReadWholeFile("Settings.ini"), "");
  {
    CTSIOStream writer("Settings.ini", CTSIOStream::kWrite, false);
    const std::string text = "[Settting]\r\nEnableDirtyRect=0\r\nLockFPS=1";
    writer.Write(text.data(), static_cast<int32_t>(text.size()));
  }
  CTSIOStream stream("Settings.ini", CTSIOStream::kRead, false);
  CIniFile ini;
  ASSERT_TRUE(ini.Parse(&stream));
  EXPECT_TRUE(ini.SelectSection("Settting"));
  EXPECT_EQ(ini.GetInt("EnableDirtyRect", 1), 0);
  EXPECT_EQ(ini.GetInt("LockFPS", 0), 1);
}

TEST(IniFile, ValuesAreTrimmedUnlessQuoted) {
  CIniFile ini;
  ASSERT_TRUE(ParseText(&ini,
                        "[S]\n"
                        "LockFPS=  30  \n"
                        "Quoted= \"  30  \" trailing\n"
                        "Tabs\t=\t\tx y\t\n"
                        "Remark=25;frames per second\n"
                        "Empty=\n"
                        "Blank=  \"\"\n"
                        "Half=\"open\n"
                        "\"Key\"=plain\n"
                        "NoEquals\n"
                        "\vVertical\v=\v1\v\n"));
  EXPECT_EQ(Value(ini, "LockFPS"), "30");
  EXPECT_EQ(Value(ini, "Quoted"), "  30  ");
  EXPECT_EQ(ini.GetInt("Quoted", -1), 30);
  EXPECT_EQ(Value(ini, "Tabs"), "x y");
  EXPECT_EQ(Value(ini, "Remark"), "25;frames per second");
  EXPECT_EQ(ini.GetInt("Remark", -1), 25);
  EXPECT_EQ(Value(ini, "Empty"), "");
  EXPECT_EQ(ini.GetInt("Empty", -1), 0);
  EXPECT_EQ(Value(ini, "Blank"), "");
  EXPECT_EQ(Value(ini, "Half"), "\"open");
  EXPECT_EQ(Value(ini, "\"Key\""), "plain");  // a quote before the "=" is part of the key
  EXPECT_EQ(Value(ini, "NoEquals"), "<none>");
  // Only spaces and tabs are trimmed.
  EXPECT_EQ(Value(ini, "\vVertical\v"), "\v1\v");
  EXPECT_EQ(Value(ini, "Vertical"), "<none>");
  // The lookup key is not trimmed.
  EXPECT_EQ(Value(ini, " LockFPS"), "<none>");
}

TEST(IniFile, SectionHeaders) {
  CIniFile ini;
  ASSERT_TRUE(ParseText(&ini,
                        "Before=ignored\n"
                        "[  Settting\t]\n"
                        "A=1\n"
                        "A=2\n"
                        "Name=[Hero]\n"
                        "B=3\n"
                        "text before [ Settting ] text after\n"
                        "C=4\n"
                        "] reversed [ Odd ]\n"
                        "D=5\n"
                        "]only closing\n"
                        "E=6\n"
                        "[settting]\n"
                        "A=7\n"
                        "[]\n"
                        "F=8\n"));
  ASSERT_TRUE(ini.SelectSection("Settting"));
  EXPECT_EQ(Value(ini, "A"), "1");          // the first occurrence wins
  EXPECT_EQ(Value(ini, "Name"), "<none>");  // a bracketed value makes a header
  EXPECT_EQ(Value(ini, "B"), "<none>");
  EXPECT_EQ(Value(ini, "C"), "4");  // a repeated header continues its section
  EXPECT_EQ(Value(ini, "Before"), "<none>");
  ASSERT_TRUE(ini.SelectSection("Hero"));
  EXPECT_EQ(Value(ini, "B"), "3");
  // "]" before "[": the name is all the text after the "[".
  ASSERT_TRUE(ini.SelectSection("Odd ]"));
  EXPECT_EQ(Value(ini, "D"), "5");
  EXPECT_EQ(Value(ini, "E"), "6");  // a lone "]" is no header
  ASSERT_TRUE(ini.SelectSection("settting"));
  EXPECT_EQ(Value(ini, "A"), "7");
  ASSERT_TRUE(ini.SelectSection(""));
  EXPECT_EQ(Value(ini, "F"), "8");
  EXPECT_FALSE(ini.SelectSection(" Settting"));
}

TEST(IniFile, AFailedSelectionKeepsTheCurrentSection) {
  CIniFile ini;
  EXPECT_FALSE(ini.SelectSection("Settting"));
  EXPECT_EQ(Value(ini, "A"), "<none>");
  ASSERT_TRUE(ParseText(&ini, "[One]\nA=1\n[Two]\nA=2\n"));
  EXPECT_EQ(Value(ini, "A"), "2");
  EXPECT_TRUE(ini.SelectSection("One"));
  EXPECT_FALSE(ini.SelectSection("Three"));
  EXPECT_FALSE(ini.SelectSection(nullptr));
  EXPECT_EQ(Value(ini, "A"), "1");
  std::string out = "unchanged";
  EXPECT_FALSE(ini.GetString(nullptr, &out));
  EXPECT_FALSE(ini.GetString("A", nullptr));
  EXPECT_FALSE(ini.GetString("B", &out));
  EXPECT_EQ(out, "unchanged");
  EXPECT_EQ(ini.GetInt("B", 42), 42);
  EXPECT_EQ(ini.GetInt(nullptr, 42), 42);
}

TEST(IniFile, LineEnds) {
  const std::string lf = "[S]\nA=1\nB = two \n\nC=\"3\"\nD=last";
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  for (const std::string& text : {lf, crlf}) {
    CIniFile ini;
    ASSERT_TRUE(ParseText(&ini, text));
    EXPECT_EQ(Value(ini, "A"), "1");
    EXPECT_EQ(Value(ini, "B"), "two");
    EXPECT_EQ(Value(ini, "C"), "3");
    EXPECT_EQ(Value(ini, "D"), "last");  // a last line without a line feed
  }
  // Only the carriage return right before a line feed goes.
  CIniFile ini;
  ASSERT_TRUE(ParseText(&ini, "[S]\nA=1\r\r\nB=\"x\r\"\r\nC=2\r"));
  EXPECT_EQ(Value(ini, "A"), "1\r");
  EXPECT_EQ(Value(ini, "B"), "x\r");
  EXPECT_EQ(Value(ini, "C"), "2\r");
  EXPECT_EQ(ini.GetInt("C", -1), 2);
  // Lines of any length, and bytes of any value.
  std::string longValue(100000, 'v');
  longValue[5000] = '\0';
  ASSERT_TRUE(ParseText(&ini, "[S]\nLong=" + longValue + "\n"));
  EXPECT_EQ(Value(ini, "Long"), longValue);
}

TEST(IniFile, ParseReplacesEverythingAndRefusesUnreadableStreams) {
  CIniFile ini;
  ASSERT_TRUE(ParseText(&ini, "[Old]\nA=1\n"));
  EXPECT_FALSE(ini.Parse(nullptr));
  std::string text = "[New]\nA=2\n";
  CTSIOStream writeOnly(text.data(), static_cast<int32_t>(text.size()), CTSIOStream::kWrite, false);
  EXPECT_FALSE(ini.Parse(&writeOnly));
  EXPECT_EQ(Value(ini, "A"), "1");  // nothing changed
  ASSERT_TRUE(ParseText(&ini, "A=3\n"));
  EXPECT_EQ(Value(ini, "A"), "<none>");  // no current section after a file without headers
  EXPECT_FALSE(ini.SelectSection("Old"));
  // Parsing starts at the stream's position.
  CTSIOStream stream(text.data(), static_cast<int32_t>(text.size()), CTSIOStream::kRead, false);
  stream.Seek(6, 0);
  ASSERT_TRUE(ini.Parse(&stream));
  EXPECT_FALSE(ini.SelectSection("New"));
}

TEST(IniFile, GetIntConvertsAsAtoiAndSaturates) {
  CIniFile ini;
  ASSERT_TRUE(ParseText(&ini,
                        "[N]\n"
                        "Plain=42\nSigned=-17x\nPlus=+8\nWord=abc\nSpace=\"\v\f\r 12\"\nTwoSigns=--3\n"
                        "Max=2147483647\nMin=-2147483648\nAbove=2147483648\nBelow=-2147483649\n"
                        "Huge=99999999999999999999999999\nTiny=-99999999999999999999999\n"
                        "Zeros=0000000000000000000000000000007\n"));
  EXPECT_EQ(ini.GetInt("Plain", 0), 42);
  EXPECT_EQ(ini.GetInt("Signed", 0), -17);
  EXPECT_EQ(ini.GetInt("Plus", 0), 8);
  EXPECT_EQ(ini.GetInt("Word", 5), 0);
  EXPECT_EQ(ini.GetInt("Space", 0), 12);
  EXPECT_EQ(ini.GetInt("TwoSigns", 5), 0);
  EXPECT_EQ(ini.GetInt("Max", 0), INT_MAX);
  EXPECT_EQ(ini.GetInt("Min", 0), INT_MIN);
  EXPECT_EQ(ini.GetInt("Above", 0), INT_MAX);
  EXPECT_EQ(ini.GetInt("Below", 0), INT_MIN);
  EXPECT_EQ(ini.GetInt("Huge", 0), INT_MAX);
  EXPECT_EQ(ini.GetInt("Tiny", 0), INT_MIN);
  EXPECT_EQ(ini.GetInt("Zeros", 0), 7);
}

TEST(IniFile, GetIntMatchesAClampedReferenceOnRandomNumbers) {
  std::mt19937 random(7);
  const char* prefixes[] = {"", " ", "\t", "-", "+", " -", "0", "-0"};
  for (int i = 0; i < 2000; ++i) {
    std::string number = prefixes[random() % 8];
    int digits = 1 + static_cast<int>(random() % 15);
    for (int d = 0; d < digits; ++d) number += static_cast<char>('0' + random() % 10);
    if (random() % 2) number += "x9";
    CIniFile ini;
    ASSERT_TRUE(ParseText(&ini, "[R]\nN=\"" + number + "\"\n"));
    long long reference = std::strtoll(number.c_str(), nullptr, 10);  // at most 16 digits: no overflow
    reference = std::min<long long>(std::max<long long>(reference, INT_MIN), INT_MAX);
    ASSERT_EQ(ini.GetInt("N", 99), reference) << number;
  }
}

TEST(IniFile, CrLfTextsReadAsTheirLfTwinsOnRandomInput) {
  // Random texts over the bytes that matter to the parser; every key the
  // text could define is looked up in every section it could name.
  std::mt19937 random(11);
  const char alphabet[] = "[]=\"\n \tab";
  const char* names[] = {"", "a", "b", "ab", "ba", "aa", "bb"};
  for (int i = 0; i < 3000; ++i) {
    std::string lf;
    int length = static_cast<int>(random() % 60);
    for (int c = 0; c < length; ++c) lf += alphabet[random() % (sizeof(alphabet) - 1)];
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    CIniFile first;
    CIniFile second;
    ASSERT_TRUE(ParseText(&first, lf));
    ASSERT_TRUE(ParseText(&second, crlf));
    for (const char* section : names) {
      ASSERT_EQ(first.SelectSection(section), second.SelectSection(section)) << lf;
      for (const char* key : names) ASSERT_EQ(Value(first, key), Value(second, key)) << lf;
    }
  }
}

}  // namespace
