#include "base/base64.h"

#include <gtest/gtest.h>

#include <string>

namespace tabulon {
namespace {

struct Case {
  std::string bytes;
  std::string text;
};

TEST(Base64, EncodesWithoutPaddingOrLineBreaks) {
  const Case cases[] = {
      {"", ""},
      {"a", "YQ"},        // one byte: two characters
      {"ab", "YWI"},      // two bytes: three characters
      {"abc", "YWJj"},    // three bytes: four characters
      {"abcd", "YWJjZA"},
      {std::string("\x00", 1), "AA"},
      {"\xff\xfe\xfd", "//79"},
      {"\xfb\xff", "+/8"},
      // GBK bytes of 中文 pass through as bytes.
      {"\xd6\xd0\xce\xc4", "1tDOxA"},
  };
  for (const auto& c : cases) EXPECT_EQ(Base64Encode(c.bytes), c.text) << "bytes of size " << c.bytes.size();
}

TEST(Base64, OutputLengthIsCeilingOfEightNOverSix) {
  std::string bytes;
  for (size_t n = 0; n < 64; ++n) {
    EXPECT_EQ(Base64Encode(bytes).size(), (8 * n + 5) / 6) << n;
    bytes.push_back(static_cast<char>(n * 37));
  }
}

TEST(Base64, DecodesUntilTheFirstCharacterOutsideTheAlphabet) {
  const Case cases[] = {
      {"", ""},
      {"abc", "YWJj"},
      {"abc", "YWJj="},       // a trailing "=" ends the decoding
      {"ab", "YWI="},
      {"ab", "YWI"},
      {"a", "YW Jj"},         // stops at the blank; leftover bits dropped
      {"abc", "YWJj\r\nZA"},  // stops at the line break
      {"", "=YWJj"},
      {"", "Y"},              // six bits make no byte
      {"\xff\xfe\xfd", "//79"},
  };
  for (const auto& c : cases) EXPECT_EQ(Base64Decode(c.text), c.bytes) << c.text;
}

TEST(Base64, RoundTripsEveryByteValue) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  for (size_t len = 0; len <= bytes.size(); len += 17) {
    std::string part = bytes.substr(0, len);
    EXPECT_EQ(Base64Decode(Base64Encode(part)), part) << len;
  }
}

}  // namespace
}  // namespace tabulon
