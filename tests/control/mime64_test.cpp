#include "control/mime64.h"

#include <gtest/gtest.h>

#include <string>

namespace tabulon::control {
namespace {

struct Case {
  std::string text;
  std::string bytes;
};

TEST(Mime64, DecodesGroupsOfFour) {
  const Case cases[] = {
      {"", ""},
      {"YTtiO2M=", "a;b;c"},
      {"YWJj", "abc"},
      {"YWI=", "ab"},   // "=" fourth: two bytes
      {"YQ==", "a"},    // "=" third: one byte
      {"YR==", "a"},    // leftover bits of a short group are dropped
      {"YQ=x", "a"},    // "=" third decides, whatever stands fourth
      {"//79", "\xff\xfe\xfd"},
      {"+/8=", "\xfb\xff"},
      {"AAAA", std::string(3, '\0')},
      {"saix7Q==", "\xb1\xa8\xb1\xed"},  // GBK bytes of 报表 come out as they went in
      // A padded group in the middle ends only that group.
      {"YQ==YWJj", "aabc"},
      {"YWI=YQ==", "aba"},
  };
  for (const auto& c : cases) {
    auto decoded = Mime64Decode(c.text);
    ASSERT_TRUE(decoded.ok()) << c.text << ": " << decoded.status().ToString();
    EXPECT_EQ(*decoded, c.bytes) << c.text;
  }
}

TEST(Mime64, CountsEveryCharacterAndRejectsUnevenLengths) {
  for (const char* text : {"YTtiO2M", "Y", "YW", "YWJ", "YWJjZ", "YWJj\r\n", "YWJj "}) {
    auto decoded = Mime64Decode(text);
    ASSERT_FALSE(decoded.ok()) << text;
    EXPECT_EQ(decoded.status().message(), "Uneven size in DecodeToStream.") << text;
  }
  // Blanks and line breaks are characters of a group: they decode as zero bits.
  auto decoded = Mime64Decode("YW\r\n");
  ASSERT_TRUE(decoded.ok());
  EXPECT_EQ(*decoded, std::string("\x61\x60\x00", 3));
}

TEST(Mime64, CharactersOutsideTheAlphabetCountAsZeroBits) {
  auto decoded = Mime64Decode("Y!!!");
  ASSERT_TRUE(decoded.ok());
  EXPECT_EQ(*decoded, std::string("\x60\x00\x00", 3));
  // "=" in the first two places of a group is no pad.
  decoded = Mime64Decode("==YQ");
  ASSERT_TRUE(decoded.ok());
  EXPECT_EQ(*decoded, std::string("\x00\x06\x10", 3));
}

TEST(Mime64, RoundTripsEveryByteValue) {
  constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  for (size_t len = 0; len <= bytes.size(); len += 7) {
    std::string part = bytes.substr(0, len);
    std::string text;
    for (size_t i = 0; i < part.size(); i += 3) {
      uint32_t group = static_cast<uint8_t>(part[i]) << 16;
      if (i + 1 < part.size()) group |= static_cast<uint8_t>(part[i + 1]) << 8;
      if (i + 2 < part.size()) group |= static_cast<uint8_t>(part[i + 2]);
      text += kAlphabet[(group >> 18) & 63];
      text += kAlphabet[(group >> 12) & 63];
      text += i + 1 < part.size() ? kAlphabet[(group >> 6) & 63] : '=';
      text += i + 2 < part.size() ? kAlphabet[group & 63] : '=';
    }
    auto decoded = Mime64Decode(text);
    ASSERT_TRUE(decoded.ok()) << len;
    EXPECT_EQ(*decoded, part) << len;
  }
}

}  // namespace
}  // namespace tabulon::control
