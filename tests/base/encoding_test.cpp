#include "base/encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace tabulon {
namespace {

// 云岚财务报表转换系统 in its three encodings.
const std::string kTitleUtf8 = "\xE4\xBA\x91\xE5\xB2\x9A\xE8\xB4\xA2\xE5\x8A\xA1\xE6\x8A\xA5\xE8\xA1\xA8"
                               "\xE8\xBD\xAC\xE6\x8D\xA2\xE7\xB3\xBB\xE7\xBB\x9F";
const std::u16string kTitleUtf16 = u"\u4E91\u5C9A\u8D22\u52A1\u62A5\u8868\u8F6C\u6362\u7CFB\u7EDF";
const std::string kTitleGbk = "\xD4\xC6\xE1\xB0\xB2\xC6\xCE\xF1\xB1\xA8\xB1\xED\xD7\xAA\xBB\xBB\xCF\xB5\xCD\xB3";

TEST(Encoding, AnsiCodePageIs936) {
  // The tests run as on a Chinese Windows: natively GBK, under Wine with LANG=zh_CN.UTF-8.
  ASSERT_EQ(AnsiCodePage(), 936u);
}

TEST(Encoding, ChineseRoundTripsThroughAllThreeEncodings) {
  ASSERT_EQ(AnsiCodePage(), 936u);
  EXPECT_EQ(AnsiToUtf16(kTitleGbk), kTitleUtf16);
  EXPECT_EQ(Utf16ToAnsi(kTitleUtf16), kTitleGbk);
  EXPECT_EQ(Utf8ToUtf16(kTitleUtf8), kTitleUtf16);
  EXPECT_EQ(Utf16ToUtf8(kTitleUtf16), kTitleUtf8);
  EXPECT_EQ(AnsiToUtf8(kTitleGbk), kTitleUtf8);
  EXPECT_EQ(Utf8ToAnsi(kTitleUtf8), kTitleGbk);
}

TEST(Encoding, TableOfMixedTexts) {
  ASSERT_EQ(AnsiCodePage(), 936u);
  const struct {
    std::u16string utf16;
    std::string gbk;
  } cases[] = {
      {u"", ""},
      {u"abc 123", "abc 123"},
      {u"\u9519\u8BEF", "\xB4\xED\xCE\xF3"},                    // 错误
      {u"\uFF08\u653F\u5E9C\uFF09", "\xA3\xA8\xD5\xFE\xB8\xAE\xA3\xA9"},  // （政府） full-width brackets
      {u"\u20AC", "\x80"},                                          // code page 936 puts the euro sign at 0x80
      {u"C:\\Tax\\\u4E91", "C:\\Tax\\\xD4\xC6"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf16ToAnsi(c.utf16), c.gbk);
    EXPECT_EQ(AnsiToUtf16(c.gbk), c.utf16);
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(c.utf16)), c.utf16);
  }
}

TEST(Encoding, UnrepresentableCharactersBecomeQuestionMarks) {
  ASSERT_EQ(AnsiCodePage(), 936u);
  // Thai KO KAI has no place in code page 936.
  EXPECT_EQ(Utf16ToAnsi(u"a\u0E01b"), "a?b");
}

TEST(Encoding, CharactersOutsideTheBasicPlaneSurviveUtf8) {
  const std::u16string emoji = u"\U0001F600x";
  EXPECT_EQ(Utf16ToUtf8(emoji), "\xF0\x9F\x98\x80x");
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80x"), emoji);
}

TEST(Encoding, InvalidUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
}

}  // namespace
}  // namespace tabulon
