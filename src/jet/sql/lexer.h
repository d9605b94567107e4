// Tokens of Jet SQL text (UTF-8). Internal to the SQL front.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace tabulon::jet::sql {

enum class TokenKind {
  kWord,        // a name or keyword, unquoted: letters, digits, "_", any non-ASCII character
  kBracketed,   // [name]: text holds the name without brackets
  kString,      // 'text' or "text": text holds the value with doubled quotes undone
  kNumber,      // 12, 1.5, .5, 1E3: text holds the digits as written
  kDate,        // #...#: text holds what is between the #
  kSymbol,      // ( ) , ; . * + - / \ ^ & = <> < <= > >=
  kEnd,         // end of the statement text
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;
  size_t position = 0;  // 1-based character offset of the token's first character
  size_t offset = 0;    // byte offset of the same
  size_t length = 0;    // bytes of source text the token covers
};

// Splits the text into tokens, the last one kEnd. Errors: unterminated quotes, brackets
// and dates, and characters that cannot start a token, each with its position.
Result<std::vector<Token>> Tokenize(std::string_view utf8);

// How a token is shown in an error message: 'word', '(' or "end of statement".
std::string DescribeToken(const Token& token);

}  // namespace tabulon::jet::sql
