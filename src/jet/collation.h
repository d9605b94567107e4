// Jet 4's "General" sort order (the one Access 2000-2007 gives new databases, sort-order
// code 1033): the bytes a text value takes in an index key, and the text comparison that
// agrees with them.
//
// Every UTF-16 code unit has a class in the sort order's code table:
//   simple          one to four "inline" bytes (letters of both cases share them, so keys
//                   and comparisons ignore case);
//   international   inline bytes plus one or two "extra" bytes for the accent or variant
//                   (so "a" and "á" share the inline bytes and differ in the extra part);
//   unprintable     no inline bytes; recorded with its position in a trailing part (the
//                   apostrophe, the hyphen, control characters);
//   modifier        no inline bytes; adds to the extra byte of the preceding character
//                   (combining accents);
//   kana            inline and extra bytes plus a two-bit flag kept in a packed trailer;
//   ignored         contributes nothing (unassigned characters, NUL, and here also the
//                   surrogate code units, which the table does not cover).
//
// A key is: the inline bytes of every character, 0x01, the extra bytes (one placeholder
// 0x02 per character without any, trailing placeholders dropped), then, when there are
// kana flags or unprintable characters, 0x01 0x01, the packed flags with their fixed
// trailer, and 0x01 with the unprintable records; and finally the end byte 0x00.
// Comparing two keys bytewise (shorter first on a common prefix) is the sort order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tabulon::jet {

// Index keys cover at most this many UTF-16 code units of a value (Text and Memo alike).
inline constexpr size_t kIndexTextMaxUnits = 255;

// The bytes of a non-null text value in a Jet 4 index entry for an ascending column in
// the General sort order, WITHOUT the entry's leading flag byte. Jet first cuts the value
// to kIndexTextMaxUnits code units and then drops trailing blanks (U+0020), as done here.
// The result always ends with the end byte 0x00; an empty text gives 01 00.
//
// What the caller adds to make the column's part of an index entry:
//   ascending column:   0x7F, then these bytes unchanged;
//   descending column:  0x80, then every byte of this result inverted (b ^ 0xFF, so the
//                       final 0x00 becomes 0xFF), then one more 0x00;
//   Null value:         no call; the single byte 0x00 (ascending) or 0xFF (descending).
// The entries of a multi-column index are these parts concatenated in column order.
std::string TextIndexKey(std::u16string_view text);
std::string TextIndexKey(std::string_view utf8);

// The same encoding without the cut to kIndexTextMaxUnits: the full sort key of a value,
// trailing blanks dropped. Sorting by these keys bytewise is sorting by CompareText.
std::string TextSortKey(std::u16string_view text);
std::string TextSortKey(std::string_view utf8);

// Compares two texts as Jet's SQL does in the General sort order: case-insensitive
// ("a" = "A"), accent-sensitive ("a" < "á"), width-insensitive, ignoring trailing blanks
// and characters the sort order ignores. Returns <0, 0 or >0. Consistent with the keys:
// CompareText(a, b) has the sign of TextSortKey(a) <=> TextSortKey(b), and texts that
// compare equal have equal TextIndexKey values, so an index seek on a key finds every row
// this comparison calls equal (a seek may also return longer values that share the first
// 255 code units: the caller rechecks its condition on each row).
int CompareText(std::u16string_view a, std::u16string_view b);
int CompareText(std::string_view utf8_a, std::string_view utf8_b);

// Compares two single characters by their codes in the sort order (inline, then extra
// bytes, then the flags), for LIKE: 0 when they are the same letter regardless of case
// and width ("a" and "A", "A" and "Ａ"). Characters without inline bytes (unprintable,
// ignored) compare by code unit after every character that has them.
int CompareCharacters(char16_t a, char16_t b);

}  // namespace tabulon::jet
