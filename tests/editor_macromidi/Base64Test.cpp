// Base64 for the clipboard texts: the standard test vectors and the texts the strict
// decoder refuses.
#include <gtest/gtest.h>

#include "editor/Base64.h"

namespace {

std::string Encode(const std::string& s) {
    return EncodeBase64(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

bool Decode(const std::string& text, std::string& out) {
    std::vector<uint8_t> bytes;
    if (!DecodeBase64(text, bytes)) return false;
    out.assign(bytes.begin(), bytes.end());
    return true;
}

}  // namespace

TEST(Base64, StandardVectorsBothWays) {
    const std::pair<const char*, const char*> vectors[] = {{"", ""},
                                                           {"f", "Zg=="},
                                                           {"fo", "Zm8="},
                                                           {"foo", "Zm9v"},
                                                           {"foob", "Zm9vYg=="},
                                                           {"fooba", "Zm9vYmE="},
                                                           {"foobar", "Zm9vYmFy"}};
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(Encode(plain), encoded);
        std::string back;
        ASSERT_TRUE(Decode(encoded, back)) << encoded;
        EXPECT_EQ(back, plain);
    }
}

TEST(Base64, AllByteValuesRoundTripAndLineBreaksAreSkipped) {
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
    std::string text = EncodeBase64(all.data(), all.size());
    EXPECT_EQ(
        text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
        std::string::npos);
    text.insert(40, "\r\n");
    text.insert(10, " \t");
    std::vector<uint8_t> back;
    ASSERT_TRUE(DecodeBase64(text + "\n", back));
    EXPECT_EQ(back, all);
}

TEST(Base64, MalformedTextsAreRefused) {
    std::string out;
    for (const char* bad : {"Zg=", "Z===", "=Zg=", "Zg==Zg==", "Zm9v!", "Z", "Zm9vY",
                            "Zh==",  // unused bits set
                            "Zm9=",  // unused bits set
                            "Zm9vYg===", "Zg==x", "-_8="})
        EXPECT_FALSE(Decode(bad, out)) << bad;
    EXPECT_TRUE(Decode("Zm8", out)) << "padding may be left off";
    EXPECT_EQ(out, "fo");
}
