#include "util/mime_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tev::mime {
namespace {

// Decoding, for round trips: base64 and the encoded words and folds of a header value.
std::string unbase64(const std::string& text) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    if (c == '=') break;
    bits = bits << 6 | static_cast<unsigned>(alphabet.find(c));
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

std::string decodeHeaderValue(const std::string& value) {
  std::string out;
  std::size_t pos = 0;
  while (pos < value.size()) {
    if (value.compare(pos, 10, "=?UTF-8?B?") == 0) {
      std::size_t end = value.find("?=", pos + 10);
      out += unbase64(value.substr(pos + 10, end - pos - 10));
      pos = end + 2;
      if (value.compare(pos, 3, "\r\n ") == 0) pos += 3;  // the fold between two encoded words
    } else if (value.compare(pos, 2, "\r\n") == 0) {
      pos += 2;  // unfolding keeps the blank after the line end
    } else {
      out += value[pos++];
    }
  }
  return out;
}

TEST(MimeText, CanonicalLineEnds) {
  EXPECT_EQ(canonicalLineEnds("a\nb\r\nc\rd\n\n"), "a\r\nb\r\nc\r\nd\r\n\r\n");
  EXPECT_EQ(canonicalLineEnds("\r\r\n"), "\r\n\r\n");
  EXPECT_EQ(canonicalLineEnds(""), "");
}

TEST(MimeText, Base64) {
  EXPECT_EQ(base64(""), "");
  EXPECT_EQ(base64("f"), "Zg==");
  EXPECT_EQ(base64("fo"), "Zm8=");
  EXPECT_EQ(base64("foo"), "Zm9v");
  EXPECT_EQ(base64("foobar"), "Zm9vYmFy");
  EXPECT_EQ(base64(std::string("\xFF\x00\xFE", 3)), "/wD+");
}

TEST(MimeText, QuotedPrintable) {
  EXPECT_EQ(quotedPrintable("plain text"), "plain text");
  EXPECT_EQ(quotedPrintable("a=b"), "a=3Db");
  EXPECT_EQ(quotedPrintable("Gr\xC3\xBC\xC3\x9F"
                            "e"),
            "Gr=C3=BC=C3=9Fe");
  // Blanks and tabs before a line end (or the end) are encoded; inside a line they stay.
  EXPECT_EQ(quotedPrintable("a b \r\nc\t"), "a b=20\r\nc=09");
  EXPECT_EQ(quotedPrintable(std::string("\0", 1)), "=00");
  // Long lines get soft breaks: no line longer than 76 characters, and removing the breaks restores it.
  std::string longLine(200, 'x');
  longLine[100] = '=';
  std::string encoded = quotedPrintable(longLine + "\r\nend");
  std::size_t start = 0;
  std::string joined;
  while (true) {
    std::size_t end = encoded.find("\r\n", start);
    std::string line = encoded.substr(start, end == std::string::npos ? std::string::npos : end - start);
    EXPECT_LE(line.size(), 76u);
    bool soft = !line.empty() && line.back() == '=';
    joined += soft ? line.substr(0, line.size() - 1) : line + (end == std::string::npos ? "" : "\r\n");
    if (end == std::string::npos) break;
    start = end + 2;
  }
  std::string expected = longLine;
  expected.replace(100, 1, "=3D");
  EXPECT_EQ(joined, expected + "\r\nend");
}

TEST(MimeText, EncodedWordsKeepCharactersWhole) {
  EXPECT_EQ(encodeWords("J\xC3\xBCrgen"), "=?UTF-8?B?SsO8cmdlbg==?=");
  // 30 two-byte characters are 60 bytes: more than one word holds, and no word splits a character.
  std::string text;
  for (int i = 0; i < 30; ++i) text += "\xC3\xA4";
  std::string encoded = encodeWords(text);
  ASSERT_NE(encoded.find("\r\n "), std::string::npos);
  std::size_t start = 0;
  while (start < encoded.size()) {
    std::size_t end = encoded.find("\r\n ", start);
    std::string word = encoded.substr(start, end == std::string::npos ? std::string::npos : end - start);
    EXPECT_LE(word.size(), 75u);
    std::string bytes = unbase64(word.substr(10, word.size() - 12));
    EXPECT_EQ(bytes.size() % 2, 0u) << word;
    if (end == std::string::npos) break;
    start = end + 3;
  }
  EXPECT_EQ(decodeHeaderValue(encoded), text);
}

TEST(MimeText, UnstructuredHeader) {
  EXPECT_EQ(unstructuredHeader("Subject", "Pick list 42"), "Subject: Pick list 42");
  EXPECT_EQ(unstructuredHeader("Subject", ""), "Subject: ");
  // Anything a reader could misread, or that would break the header, is encoded.
  struct Case {
    std::string value;
  } encoded[] = {{"Z\xC3\xA4hlung"},
                 {"two\r\nBcc: intruder@example.com"},
                 {"tab\there"},
                 {"=?x?="},
                 {std::string(1000, 'w')}};
  for (const Case& c : encoded) {
    std::string line = unstructuredHeader("Subject", c.value);
    SCOPED_TRACE(line);
    EXPECT_EQ(line.rfind("Subject: =?UTF-8?B?", 0), 0u);
    EXPECT_EQ(decodeHeaderValue(line.substr(9)), c.value);
  }
  // Long ASCII text is folded at blanks, and unfolding restores it.
  std::string words;
  for (int i = 0; i < 40; ++i) words += (i ? " word" : "word") + std::to_string(i);
  std::string folded = unstructuredHeader("Subject", words);
  EXPECT_NE(folded.find("\r\n "), std::string::npos);
  std::size_t start = 0;
  while (true) {
    std::size_t end = folded.find("\r\n", start);
    EXPECT_LE((end == std::string::npos ? folded.size() : end) - start, 78u);
    if (end == std::string::npos) break;
    start = end + 2;
  }
  EXPECT_EQ(decodeHeaderValue(folded.substr(9)), words);
}

TEST(MimeText, TextBodyEncodingFollowsTheText) {
  struct Case {
    std::string text;
    std::string contentType;
    std::string encoding;
    std::string content;
  } cases[] = {
      {"Line 1\nLine 2", "text/plain", "7bit", "Line 1\r\nLine 2"},
      {"", "text/plain", "7bit", ""},
      {"Gr\xC3\xBC\xC3\x9F"
       "e\n",
       "text/plain; charset=UTF-8", "quoted-printable", "Gr=C3=BC=C3=9Fe\r\n"},
      {std::string("nul\0", 4), "text/plain", "quoted-printable", "nul=00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TextBody body = encodeTextBody(c.text);
    EXPECT_EQ(body.contentType, c.contentType);
    EXPECT_EQ(body.transferEncoding, c.encoding);
    EXPECT_EQ(body.content, c.content);
  }
  // A line longer than a mail line may be is quoted-printable with soft breaks.
  TextBody longLine = encodeTextBody(std::string(1200, 'a'));
  EXPECT_EQ(longLine.contentType, "text/plain");
  EXPECT_EQ(longLine.transferEncoding, "quoted-printable");
}

}  // namespace
}  // namespace tev::mime
