#include "jet/sql/lexer.h"

namespace tabulon::jet::sql {
namespace {

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
// Non-ASCII characters (Chinese and every other script) may appear in plain names.
bool IsWordStart(unsigned char c) { return IsAsciiLetter(c) || c == '_' || c >= 0x80; }
bool IsWordPart(unsigned char c) { return IsWordStart(c) || IsDigit(c); }
bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  Result<std::vector<Token>> Run() {
    std::vector<Token> tokens;
    for (;;) {
      while (at_ < text_.size() && IsBlank(Byte(at_))) Advance(1);
      Token token;
      token.position = position_;
      token.offset = at_;
      if (at_ >= text_.size()) {
        token.kind = TokenKind::kEnd;
        tokens.push_back(std::move(token));
        return tokens;
      }
      Status st = Next(token);
      if (!st.ok()) return st;
      token.length = at_ - token.offset;
      tokens.push_back(std::move(token));
    }
  }

 private:
  unsigned char Byte(size_t i) const { return static_cast<unsigned char>(text_[i]); }

  // Moves over `n` bytes, counting characters (UTF-8 continuation bytes do not start one).
  void Advance(size_t n) {
    for (size_t i = 0; i < n && at_ < text_.size(); ++i, ++at_) {
      if ((Byte(at_) & 0xC0) != 0x80) ++position_;
    }
  }

  Status Error(size_t position, const std::string& what) {
    return Status::InvalidArgument("syntax error at character " + std::to_string(position) + ": " + what);
  }

  Status Next(Token& token) {
    unsigned char c = Byte(at_);
    if (IsWordStart(c)) {
      size_t start = at_;
      while (at_ < text_.size() && IsWordPart(Byte(at_))) Advance(1);
      token.kind = TokenKind::kWord;
      token.text.assign(text_.substr(start, at_ - start));
      return Status::Ok();
    }
    if (IsDigit(c) || (c == '.' && at_ + 1 < text_.size() && IsDigit(Byte(at_ + 1)))) return Number(token);
    switch (c) {
      case '\'':
      case '"':
        return Quoted(token, static_cast<char>(c));
      case '[':
        return Bracketed(token);
      case '#':
        return Date(token);
      default:
        break;
    }
    static constexpr std::string_view kTwo[] = {"<>", "<=", ">="};
    for (std::string_view op : kTwo) {
      if (text_.substr(at_, 2) == op) {
        token.kind = TokenKind::kSymbol;
        token.text.assign(op);
        Advance(2);
        return Status::Ok();
      }
    }
    static constexpr std::string_view kOne = "(),;.*+-/\\^&=<>";
    if (kOne.find(static_cast<char>(c)) != std::string_view::npos) {
      token.kind = TokenKind::kSymbol;
      token.text.assign(1, static_cast<char>(c));
      Advance(1);
      return Status::Ok();
    }
    if (c == ']') return Error(position_, "']' without a matching '['");
    std::string shown = c >= 0x20 && c < 0x7F ? std::string("'") + static_cast<char>(c) + "'"
                                               : "character code " + std::to_string(c);
    return Error(position_, "unexpected " + shown);
  }

  Status Number(Token& token) {
    size_t start = at_;
    while (at_ < text_.size() && IsDigit(Byte(at_))) Advance(1);
    if (at_ < text_.size() && Byte(at_) == '.') {
      Advance(1);
      while (at_ < text_.size() && IsDigit(Byte(at_))) Advance(1);
    }
    if (at_ < text_.size() && (Byte(at_) == 'E' || Byte(at_) == 'e')) {
      size_t save_at = at_, save_pos = position_;
      Advance(1);
      if (at_ < text_.size() && (Byte(at_) == '+' || Byte(at_) == '-')) Advance(1);
      if (at_ < text_.size() && IsDigit(Byte(at_))) {
        while (at_ < text_.size() && IsDigit(Byte(at_))) Advance(1);
      } else {
        at_ = save_at;
        position_ = save_pos;
      }
    }
    if (at_ < text_.size() && IsWordPart(Byte(at_))) {
      return Error(token.position, "expected an operator after the number '" +
                                       std::string(text_.substr(start, at_ - start)) + "'");
    }
    token.kind = TokenKind::kNumber;
    token.text.assign(text_.substr(start, at_ - start));
    return Status::Ok();
  }

  Status Quoted(Token& token, char quote) {
    Advance(1);
    std::string value;
    for (;;) {
      if (at_ >= text_.size()) {
        return Error(token.position, std::string("text starting here has no closing ") + quote);
      }
      char ch = text_[at_];
      if (ch == quote) {
        if (at_ + 1 < text_.size() && text_[at_ + 1] == quote) {
          value.push_back(quote);
          Advance(2);
          continue;
        }
        Advance(1);
        break;
      }
      value.push_back(ch);
      Advance(1);
    }
    token.kind = TokenKind::kString;
    token.text = std::move(value);
    return Status::Ok();
  }

  Status Bracketed(Token& token) {
    Advance(1);
    size_t start = at_;
    while (at_ < text_.size() && text_[at_] != ']') {
      if (text_[at_] == '[') return Error(position_, "'[' inside a bracketed name");
      if (static_cast<unsigned char>(text_[at_]) < 0x20) {
        return Error(position_, "control character inside a bracketed name");
      }
      Advance(1);
    }
    if (at_ >= text_.size()) return Error(token.position, "name starting here has no closing ']'");
    std::string name(text_.substr(start, at_ - start));
    Advance(1);
    if (name.empty()) return Error(token.position, "empty name '[]'");
    token.kind = TokenKind::kBracketed;
    token.text = std::move(name);
    return Status::Ok();
  }

  Status Date(Token& token) {
    Advance(1);
    size_t start = at_;
    while (at_ < text_.size() && text_[at_] != '#' && text_[at_] != '\n') Advance(1);
    if (at_ >= text_.size() || text_[at_] != '#') {
      return Error(token.position, "date starting here has no closing '#'");
    }
    token.kind = TokenKind::kDate;
    token.text.assign(text_.substr(start, at_ - start));
    Advance(1);
    return Status::Ok();
  }

  std::string_view text_;
  size_t at_ = 0;
  size_t position_ = 1;
};

}  // namespace

Result<std::vector<Token>> Tokenize(std::string_view utf8) { return Lexer(utf8).Run(); }

std::string DescribeToken(const Token& token) {
  switch (token.kind) {
    case TokenKind::kEnd:
      return "end of statement";
    case TokenKind::kWord:
    case TokenKind::kNumber:
    case TokenKind::kSymbol:
      return "'" + token.text + "'";
    case TokenKind::kBracketed:
      return "'[" + token.text + "]'";
    case TokenKind::kString:
      return "text '" + token.text + "'";
    case TokenKind::kDate:
      return "date #" + token.text + "#";
  }
  return "?";
}

}  // namespace tabulon::jet::sql
