// The General sort order: key bytes derived by hand from the code tables for characters of
// every class, the comparison's agreement with the keys, and (when the shared folder is
// there) the compiled table against the reference files and keys against index entries
// that Access wrote into the fixture databases.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "jet/collation.h"
#include "support/test_env.h"

namespace tabulon::jet {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

std::string Hex(const std::string& bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

struct KeyCase {
  std::u16string_view text;
  const char* key;  // hex bytes of TextIndexKey
  const char* why;
  friend void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.why; }
};

class IndexKey : public ::testing::TestWithParam<KeyCase> {};

TEST_P(IndexKey, Bytes) { EXPECT_EQ(Hex(TextIndexKey(GetParam().text)), GetParam().key) << GetParam().why; }

// Each key from the table lines of its characters: A/a = S4A, B/b = S4C, C/c = S4D,
// E/e = S51, F/f = S53, O/o = S64, P/p = S66, 0 = S36, 9 = S48, blank = S7, tab = S803,
// é/É = I51,E, ÿ = I76,13, Æ = S4A51, ß = S6B6B, ' = U80, - = U82, U+0301 = PC,
// 中 = S9F3D, 文 = SB6F6, € = S35A1, Ａ = S4A, あ/ア = Z7F02,, ぁ = Z7F02,,1, NUL and
// U+9FA6 = X.
INSTANTIATE_TEST_SUITE_P(
    HandDerived, IndexKey,
    ::testing::Values(
        KeyCase{u"", "01 00", "empty text: the end bytes only"},
        KeyCase{u"Abc", "4A 4C 4D 01 00", "letters: inline codes"},
        KeyCase{u"aBC", "4A 4C 4D 01 00", "the other case: the same codes"},
        KeyCase{u"09", "36 48 01 00", "digits"},
        KeyCase{u"a b", "4A 07 4C 01 00", "an inner blank is a character"},
        KeyCase{u"ab  ", "4A 4C 01 00", "trailing blanks are dropped"},
        KeyCase{u"a\tb", "4A 08 03 4C 01 00", "two-byte simple code"},
        KeyCase{u"\u00C6", "4A 51 01 00", "Æ is written as AE"},
        KeyCase{u"\u00DF", "6B 6B 01 00", "ß is written as ss"},
        KeyCase{u"caf\u00E9", "4D 4A 53 51 01 02 02 02 0E 00", "accent: extra byte, placeholders before it"},
        KeyCase{u"\u00E9a", "51 4A 01 0E 00", "trailing placeholders are dropped"},
        KeyCase{u"\u00C9", "51 01 0E 00", "capital É: same as é"},
        KeyCase{u"\u00FF", "76 01 13 00", "ÿ"},
        KeyCase{u"e\u0301", "51 01 0E 00", "combining acute adds to the placeholder: same as é"},
        KeyCase{u"co-op", "4D 64 64 66 01 01 01 01 80 0F 06 82 00", "hyphen: unprintable at position 2"},
        KeyCase{u"a'b", "4A 4C 01 01 01 01 80 0B 06 80 00", "apostrophe: unprintable at position 1"},
        KeyCase{u"'", "01 01 01 01 80 07 06 80 00", "unprintable alone: position 0"},
        KeyCase{u"\u00E9-a", "51 4A 01 0E 01 01 01 80 0B 06 82 00", "unprintable after an extra code"},
        KeyCase{u"\u4E2D\u6587", "9F 3D B6 F6 01 00", "Chinese: two-byte codes"},
        KeyCase{u"\u20AC", "35 A1 01 00", "euro sign"},
        KeyCase{u"\uFF21", "4A 01 00", "fullwidth A: same as A"},
        KeyCase{u"\u3042", "7F 02 01 01 01 FF 02 80 FF 80 00", "kana with the default flag: trailer only"},
        KeyCase{u"\u30A2", "7F 02 01 01 01 FF 02 80 FF 80 00", "katakana A: same as hiragana"},
        KeyCase{u"\u3041", "7F 02 01 01 01 A0 FF 02 80 FF 80 00", "small kana: flag 2 packed"},
        KeyCase{u"\u3041\u3042", "7F 02 7F 02 01 01 01 A0 FF 02 80 FF 80 00", "default flags at the end dropped"},
        KeyCase{u"\u3042\u3041", "7F 02 7F 02 01 01 01 B8 FF 02 80 FF 80 00", "two flags in one byte"},
        KeyCase{u"'\u3042", "7F 02 01 01 01 FF 02 80 FF 80 FF 01 80 07 06 80 00", "kana and unprintable"},
        KeyCase{u"a\u0000b\u9FA6"sv, "4A 4C 01 00", "ignored characters"}));

TEST(Collation, KeyCutTo255Units) {
  std::u16string long_text(300, u'a');
  std::string key = TextIndexKey(long_text);
  EXPECT_EQ(key, std::string(255, '\x4A') + std::string("\x01\x00", 2));
  EXPECT_EQ(TextSortKey(long_text).size(), 302u);
  // Blanks are dropped after the cut.
  std::u16string padded = std::u16string(250, u'a') + std::u16string(10, u' ') + u"b";
  EXPECT_EQ(TextIndexKey(padded), std::string(250, '\x4A') + std::string("\x01\x00", 2));
  // The UTF-8 form gives the same key.
  EXPECT_EQ(TextIndexKey(std::string_view("caf\xC3\xA9")), TextIndexKey(std::u16string_view(u"caf\u00E9")));
}

TEST(Collation, Comparisons) {
  struct C {
    const char16_t* a;
    const char16_t* b;
    int sign;
  };
  for (C c : {C{u"a", u"B", -1}, C{u"B", u"a", 1}, C{u"abc", u"ABC", 0}, C{u"Stra\u00DFe", u"STRASSE", 0},
              C{u"\u00C6", u"ae", 0}, C{u"\u00E9", u"e\u0301", 0}, C{u"\u3042", u"\u30A2", 0},
              C{u"\u3041", u"\u3042", -1}, C{u"coop", u"co-op", -1}, C{u"a", u"a  ", 0}, C{u"a", u"\u00E1", -1},
              C{u"\u00E1", u"b", -1}, C{u"\u4E2D", u"\u6587", -1}, C{u"", u"a", -1}, C{u"ab", u"abc", -1},
              C{u"Z", u"a", 1}, C{u"10", u"9", -1}, C{u"\uFF41", u"A", 0}}) {
    int r = CompareText(std::u16string_view(c.a), std::u16string_view(c.b));
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << Utf16ToUtf8(c.a) << " vs " << Utf16ToUtf8(c.b);
    int r8 = CompareText(std::string_view(Utf16ToUtf8(c.a)), std::string_view(Utf16ToUtf8(c.b)));
    EXPECT_EQ((r8 > 0) - (r8 < 0), c.sign) << "UTF-8: " << Utf16ToUtf8(c.a) << " vs " << Utf16ToUtf8(c.b);
  }
  // Malformed UTF-8 is compared as the base library decodes it (U+FFFD, which the sort
  // order ignores), never read past its end.
  EXPECT_EQ(CompareText(std::string_view("a\xFF"), std::string_view("A\xFF")), 0);
  EXPECT_EQ(CompareText(std::string_view("a\xE4\xB8"), std::string_view("a")), 0);
  EXPECT_LT(CompareText(std::string_view("a\xE4\xB8"), std::string_view("b")), 0);
  EXPECT_EQ(TextIndexKey(std::string_view("\xC0\x80")), TextIndexKey(std::u16string_view(u"\uFFFD\uFFFD")));
  EXPECT_EQ(CompareCharacters(u'a', u'A'), 0);
  EXPECT_EQ(CompareCharacters(u'A', u'\uFF21'), 0);
  EXPECT_NE(CompareCharacters(u'a', u'\u00E1'), 0);
  EXPECT_LT(CompareCharacters(u'a', u'b'), 0);
  EXPECT_LT(CompareCharacters(u'z', u'-'), 0);  // characters with inline codes first
  EXPECT_GT(CompareCharacters(u'\u00E1', u'a'), 0);
}

// CompareText agrees with the keys on random texts mixing every class of character, and
// texts that compare equal have equal index keys (so an index seek finds them).
TEST(Collation, ComparisonMatchesKeys) {
  const std::u16string alphabet = u"aAbBzZ09 -'\t\u00E9\u00C9e\u0301\u00C6\u00DF\u4E2D\u6587\u3041\u3042\u30A2\uFF21\u0000\u9FA6."s;
  std::mt19937 rng(20240611);
  auto random_text = [&]() {
    std::u16string s;
    size_t n = rng() % 7;
    for (size_t i = 0; i < n; ++i) s += alphabet[rng() % alphabet.size()];
    return s;
  };
  int equal = 0;
  for (int i = 0; i < 20000; ++i) {
    std::u16string a = random_text(), b = random_text();
    int by_compare = CompareText(std::u16string_view(a), std::u16string_view(b));
    std::string ka = TextSortKey(a), kb = TextSortKey(b);
    int by_keys = ka.compare(kb);
    ASSERT_EQ((by_compare > 0) - (by_compare < 0), (by_keys > 0) - (by_keys < 0))
        << Utf16ToUtf8(a) << " vs " << Utf16ToUtf8(b) << ": " << Hex(ka) << " / " << Hex(kb);
    int by_utf8 = CompareText(std::string_view(Utf16ToUtf8(a)), std::string_view(Utf16ToUtf8(b)));
    if (a.find(u'\0') == std::u16string::npos && b.find(u'\0') == std::u16string::npos) {
      ASSERT_EQ((by_utf8 > 0) - (by_utf8 < 0), (by_keys > 0) - (by_keys < 0)) << Utf16ToUtf8(a) << " vs " << Utf16ToUtf8(b);
    }
    if (by_compare == 0) {
      ++equal;
      ASSERT_EQ(TextIndexKey(a), TextIndexKey(b)) << Utf16ToUtf8(a) << " vs " << Utf16ToUtf8(b);
    }
  }
  EXPECT_GT(equal, 100);  // the alphabet makes equal pairs common enough to matter
}

// Reads a reference code file into its lines.
std::vector<std::string> ReadLines(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string HexBytes(const std::string& hex) {
  std::string digits = hex.size() % 2 ? "0" + hex : hex;
  std::string out;
  for (size_t i = 0; i < digits.size(); i += 2) out += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
  return out;
}

std::string TrimPlaceholders(std::string extra) {
  while (!extra.empty() && static_cast<unsigned char>(extra.back()) <= 2) extra.pop_back();
  return extra;
}

// The key of each single code unit as its reference line defines it.
std::string ExpectedSingleKey(const std::string& line) {
  std::vector<std::string> parts;
  std::stringstream ss(line.substr(1));
  for (std::string part; std::getline(ss, part, ',');) parts.push_back(part);
  if (line.size() > 1 && line.back() == ',') parts.push_back("");
  const std::string end("\x01", 1), stop("\x00", 1);
  switch (line[0]) {
    case 'X':
      return end + stop;
    case 'S':
      return HexBytes(parts[0]) + end + stop;
    case 'I':
      return HexBytes(parts[0]) + end + TrimPlaceholders(HexBytes(parts[1])) + stop;
    case 'U':
      return end + end + end + end + std::string("\x80\x07\x06", 3) + HexBytes(parts[0]) + stop;
    case 'P':
      return end + TrimPlaceholders(HexBytes(parts[0])) + stop;
    case 'Z': {
      std::string extra = parts.size() > 1 && !parts[1].empty() ? HexBytes(parts[1]) : "";
      std::string flags = parts.size() > 2 && parts[2] == "1" ? std::string("\xA0", 1) : "";
      return HexBytes(parts[0]) + end + TrimPlaceholders(extra) + end + end + flags +
             std::string("\xFF\x02\x80\xFF\x80", 5) + stop;
    }
  }
  return "?";
}

TEST(Collation, CompiledTableMatchesReference) {
  TABULON_REQUIRE_SHARED(shared);
  std::vector<std::string> basic = ReadLines(shared / "reference/jet/index_codes_genleg.txt");
  std::vector<std::string> ext = ReadLines(shared / "reference/jet/index_codes_ext_genleg.txt");
  ASSERT_GE(basic.size(), 256u);
  ASSERT_GE(ext.size(), 0x10000u - 0x100u - 0x800u);
  size_t checked = 0;
  for (uint32_t c = 0; c < 0x10000; ++c) {
    if (c == 0x20 || (c >= 0xD800 && c <= 0xDFFF)) continue;  // a lone blank is trimmed; no surrogate lines
    const std::string& line = c < 0x100 ? basic[c] : ext[c < 0xD800 ? c - 0x100 : c - 0x100 - 0x800];
    std::u16string text(1, static_cast<char16_t>(c));
    ASSERT_EQ(Hex(TextSortKey(text)), Hex(ExpectedSingleKey(line))) << "U+" << std::hex << c << " " << line;
    ++checked;
  }
  EXPECT_EQ(checked, 0x10000u - 0x800u - 1u);
}

// Index entries that Access 2000 wrote: names in the catalog's name index and values of
// text indexes appear in the files as 0x7F followed by our key (an entry may be stored
// without the first bytes it shares with the one before it, so a match from the key's
// second byte on counts as well).
TEST(Collation, KeysMatchAccessIndexEntries) {
  TABULON_REQUIRE_SHARED(shared);
  struct Db {
    const char* file;
    std::vector<const char*> values;
  };
  std::vector<Db> dbs = {
      {"emptyAccessV2000.mdb",
       {"Tables", "Databases", "Relationships", "MSysDb", "MSysObjects", "MSysACEs", "MSysQueries",
        "MSysRelationships", "DataAccessPages", "Forms", "Modules", "Reports", "Scripts", "SysRel", "AccessLayout",
        "SummaryInfo", "UserDefined", "MSysAccessObjects"}},
      {"queryTestV2000.mdb", {"SelectQuery", "UpdateQuery", "AppendQuery", "DeleteQuery", "MakeTableQuery",
                              "CrosstabQuery", "UnionQuery", "PassthroughQuery", "DataDefinitionQuery"}},
      {"indexTestV2000.mdb", {"MSysNavPaneGroupCategories", "MSysNavPaneGroupToObjects", "MSysNameMap",
                              "Table2Table1", "Table3Table1"}},
      {"fixedTextTestV2000.mdb", {"CORE USER", "admin", "Core User", "Admin User"}},
      {"testIndexPropertiesV2000.mdb", {"stuff", "more", "some", "lots of stuff", "another row", "still more rows"}},
  };
  for (const Db& db : dbs) {
    std::string bytes = testing::ReadFileBytes(shared / "fixtures/jet4" / db.file);
    ASSERT_FALSE(bytes.empty()) << db.file;
    for (const char* value : db.values) {
      std::string key = TextIndexKey(std::string_view(value));
      bool found = bytes.find("\x7F" + key) != std::string::npos || bytes.find(key.substr(1)) != std::string::npos;
      EXPECT_TRUE(found) << db.file << ": no index entry for '" << value << "' (" << Hex(key) << ")";
    }
  }
}

}  // namespace
}  // namespace tabulon::jet
