// The text encodings a mail message needs that the mail library leaves to its caller: canonical line ends,
// quoted-printable bodies, and MIME encoded words ("=?UTF-8?B?...?=") for header text that is not plain
// ASCII. Text is UTF-8; bytes that are not valid UTF-8 are carried through unchanged.
#pragma once

#include <string>
#include <string_view>

namespace tev::mime {

// Every line end (CR LF, a lone LF or a lone CR) as CR LF.
std::string canonicalLineEnds(std::string_view text);

// Base64 (RFC 4648, with padding, no line breaks).
std::string base64(std::string_view bytes);

// Quoted-printable (RFC 2045) of text whose line ends are CR LF: lines of at most 76 characters (longer
// ones get soft breaks), "=" and every byte outside printable ASCII as "=XX", a blank or tab before a line
// end encoded as well.
std::string quotedPrintable(std::string_view canonicalText);

// The text as one or more encoded words of at most 75 characters each, separated by CR LF and a blank
// (a folded header line). Words never split a UTF-8 character.
std::string encodeWords(std::string_view text);

// A whole unstructured header line ("Subject: ..."), without its final CR LF. Printable ASCII stays as it
// is, folded at blanks when the line grows past 78 characters; any other text (non-ASCII, control
// characters such as CR or LF, "=?", or a word too long to fold) is written as encoded words.
std::string unstructuredHeader(std::string_view name, std::string_view value);

// A plain-text body ready for a message: its Content-Type ("text/plain", with "; charset=UTF-8" when the
// text holds non-ASCII bytes), its Content-Transfer-Encoding ("7bit" when every line is short ASCII,
// "quoted-printable" otherwise) and the content so encoded, with CR LF line ends.
struct TextBody {
  std::string contentType;
  std::string transferEncoding;
  std::string content;
};
TextBody encodeTextBody(std::string_view text);

}  // namespace tev::mime
