#include "terminal/text_codec.h"

#include <gtest/gtest.h>

#include "common/error.h"

namespace tev {
namespace {

TEST(TextDecoder, CompletesACharacterCutBetweenReads) {
  TextDecoder decoder;
  EXPECT_EQ(decoder.decode("ab\xC3"), "ab");
  EXPECT_TRUE(decoder.hasPending());
  EXPECT_EQ(decoder.decode("\xA4"
                           "c"),
            "\xC3\xA4"
            "c");
  EXPECT_FALSE(decoder.hasPending());
}

TEST(TextDecoder, ReplacesMalformedBytes) {
  TextDecoder decoder;
  EXPECT_EQ(decoder.decode("a\xFF"
                           "b\xC3"
                           "c"),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD"
            "c");
  EXPECT_EQ(decoder.decode("x\xE2\x82"), "x");
  EXPECT_EQ(decoder.finish(), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(decoder.finish(), "");
}

TEST(TextCodec, ConvertsAnotherCharsetAtTheBoundary) {
  TextDecoder decoder("ISO-8859-1");
  EXPECT_EQ(decoder.decode("Gr\xFC\xDF"), "Gr\xC3\xBC\xC3\x9F");
  TextEncoder encoder("ISO-8859-1");
  EXPECT_EQ(encoder.encode("Gr\xC3\xBC\xC3\x9F"), "Gr\xFC\xDF");
  EXPECT_EQ(encoder.encode("1\xE2\x82\xAC=\xFF!"), "1?=?!");  // no euro sign; a malformed byte
  TextEncoder utf8;
  EXPECT_EQ(utf8.encode("\xE2\x82\xAC\xFF"), "\xE2\x82\xAC\xFF");  // passes unchanged
}

TEST(TextCodec, UnknownCharsetIsAnError) {
  EXPECT_THROW(TextDecoder("NO-SUCH-CHARSET"), Error);
  EXPECT_THROW(TextEncoder("NO-SUCH-CHARSET"), Error);
}

}  // namespace
}  // namespace tev
