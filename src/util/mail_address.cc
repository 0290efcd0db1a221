#include "util/mail_address.h"

#include <cctype>
#include <cstring>
#include <string_view>

#include "util/mail_error.h"
#include "util/mime_text.h"

namespace tev {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

// RFC 5322 atext (ASCII only).
bool isAtext(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u >= 0x80 || u <= 0x20 || u == 0x7F) return false;
  return std::isalnum(u) || std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr;
}

// A cursor over the text being parsed. Every parse function either consumes what it accepts and returns
// true, or leaves the position where it was and returns false.
class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  bool atEnd() const { return pos_ == text_.size(); }
  char peek() const { return atEnd() ? '\0' : text_[pos_]; }
  std::size_t pos() const { return pos_; }
  void reset(std::size_t pos) { pos_ = pos; }

  // The blanks at the cursor (possibly none).
  std::string_view blanks() {
    std::size_t start = pos_;
    while (!atEnd() && isBlank(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }

  bool accept(char c) {
    if (peek() != c || atEnd()) return false;
    ++pos_;
    return true;
  }

  // atext+ ("." atext+)*. With inPhrase, dots may stand anywhere (the obsolete phrase form, "J. Smith")
  // and bytes of UTF-8 characters count as atext.
  bool dotAtom(std::string* out, bool inPhrase) {
    std::size_t start = pos_;
    bool lastWasDot = true;
    while (!atEnd()) {
      char c = text_[pos_];
      bool utf8 = inPhrase && static_cast<unsigned char>(c) >= 0x80;
      if (isAtext(c) || utf8) {
        lastWasDot = false;
      } else if (c == '.' && (inPhrase || !lastWasDot)) {
        lastWasDot = true;
      } else {
        break;
      }
      ++pos_;
    }
    if (pos_ == start || (lastWasDot && !inPhrase)) {
      pos_ = start;
      return false;
    }
    *out = std::string(text_.substr(start, pos_ - start));
    return true;
  }

  // A quoted string; *unquoted receives its content with the escapes resolved, *raw the text as written.
  bool quotedString(std::string* unquoted, std::string* raw, bool allowUtf8) {
    std::size_t start = pos_;
    if (!accept('"')) return false;
    std::string content;
    while (!atEnd()) {
      unsigned char c = static_cast<unsigned char>(text_[pos_]);
      if (c == '"') {
        ++pos_;
        *unquoted = std::move(content);
        *raw = std::string(text_.substr(start, pos_ - start));
        return true;
      }
      if (c == '\\') {
        ++pos_;
        if (atEnd()) break;
        unsigned char escaped = static_cast<unsigned char>(text_[pos_]);
        if (!(escaped == '\t' || (escaped >= 0x20 && escaped < 0x7F) || (allowUtf8 && escaped >= 0x80)))
          break;
        content += static_cast<char>(escaped);
        ++pos_;
        continue;
      }
      if (!(c == '\t' || (c >= 0x20 && c < 0x7F) || (allowUtf8 && c >= 0x80))) break;
      content += static_cast<char>(c);
      ++pos_;
    }
    pos_ = start;
    return false;
  }

  // local-part "@" domain, ASCII only.
  bool addrSpec(std::string* out) {
    std::size_t start = pos_;
    std::string local;
    std::string unquoted;
    if (!dotAtom(&local, false) && !quotedString(&unquoted, &local, false)) return false;
    std::string domain;
    if (!accept('@') || !(dotAtom(&domain, false) || domainLiteral(&domain))) {
      pos_ = start;
      return false;
    }
    *out = local + "@" + domain;
    return true;
  }

  // "[" dtext* "]"
  bool domainLiteral(std::string* out) {
    std::size_t start = pos_;
    if (!accept('[')) return false;
    while (!atEnd()) {
      unsigned char c = static_cast<unsigned char>(text_[pos_]);
      if (c == ']') {
        ++pos_;
        *out = std::string(text_.substr(start, pos_ - start));
        return true;
      }
      if (c < 0x21 || c > 0x7E || c == '[' || c == '\\') break;
      ++pos_;
    }
    pos_ = start;
    return false;
  }

  // "<" addr-spec ">"
  bool angleAddr(std::string* out) {
    std::size_t start = pos_;
    if (accept('<') && addrSpec(out) && accept('>')) return true;
    pos_ = start;
    return false;
  }

  // word *(blanks word), the blanks between words kept as written.
  bool phrase(std::string* out) {
    std::size_t start = pos_;
    std::string result;
    bool any = false;
    while (true) {
      std::size_t beforeBlanks = pos_;
      std::string_view gap = any ? blanks() : std::string_view();
      std::string word;
      std::string raw;
      if (dotAtom(&word, true) || quotedString(&word, &raw, true)) {
        result += gap;
        result += word;
        any = true;
        continue;
      }
      pos_ = beforeBlanks;
      break;
    }
    if (!any) {
      pos_ = start;
      return false;
    }
    *out = std::move(result);
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Whether a display name can be written as it is (atoms separated by single blanks).
bool isPlainPhrase(const std::string& text) {
  if (text.empty() || text.front() == ' ' || text.back() == ' ') return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') {
      if (text[i + 1] == ' ') return false;
    } else if (!isAtext(text[i])) {
      return false;
    }
  }
  return true;
}

bool isPrintableAscii(const std::string& text) {
  for (char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

}  // namespace

MailAddress MailAddress::parse(const std::string& text) {
  Parser p(text);
  p.blanks();
  std::size_t start = p.pos();
  std::string address;
  std::optional<std::string> personal;
  bool bare = p.addrSpec(&address);
  if (bare) {
    p.blanks();
    if (!p.atEnd()) bare = false;
  }
  if (!bare) {
    p.reset(start);
    std::string name;
    if (p.phrase(&name)) {
      personal = std::move(name);
      p.blanks();
    }
    if (!p.angleAddr(&address)) throw AddressError();
    p.blanks();
    if (!p.atEnd()) throw AddressError();
  }
  return MailAddress(std::move(address), std::move(personal));
}

std::string MailAddress::toHeader() const {
  if (!personal_ || personal_->empty()) return address_;
  std::string name;
  if (isPlainPhrase(*personal_)) {
    name = *personal_;
  } else if (isPrintableAscii(*personal_) && personal_->find("=?") == std::string::npos) {
    name = "\"";
    for (char c : *personal_) {
      if (c == '"' || c == '\\') name += '\\';
      name += c;
    }
    name += '"';
  } else {
    name = mime::encodeWords(*personal_);
  }
  return name + " <" + address_ + ">";
}

}  // namespace tev
