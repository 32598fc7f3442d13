#include "loginsdk/cipher/Des.h"
#include "loginsdk/cipher/MelkEncrypt.h"
#include "loginsdk/cipher/OADes.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>

namespace pw {
namespace {

std::vector<uint8_t> unhex(std::string_view hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

std::string hex(std::span<const uint8_t> bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

// OpenSSL as the independent reference for any block mode of triple DES.
std::vector<uint8_t> opensslTripleDes(const EVP_CIPHER* cipher, std::span<const uint8_t, 24> key, const uint8_t* iv,
                                      std::span<const uint8_t> in, bool pad) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, cipher, nullptr, key.data(), iv);
    EVP_CIPHER_CTX_set_padding(ctx, pad ? 1 : 0);
    std::vector<uint8_t> out(in.size() + 16);
    int n = 0, m = 0;
    EVP_EncryptUpdate(ctx, out.data(), &n, in.data(), static_cast<int>(in.size()));
    EVP_EncryptFinal_ex(ctx, out.data() + n, &m);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(static_cast<size_t>(n + m));
    return out;
}

std::vector<uint8_t> base64Decode(const std::string& text) {
    std::vector<uint8_t> out(text.size());
    int n =
        EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    size_t pad = text.size() >= 2 ? (text.end()[-1] == '=') + (text.end()[-2] == '=') : 0;
    out.resize(static_cast<size_t>(n) - pad);
    return out;
}

TEST(Des, StandardVectors) {
    struct Case {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    const Case cases[] = {
        {"133457799bbcdff1", "0123456789abcdef", "85e813540f0ab405"},
        {"0e329232ea6d0d73", "8787878787878787", "0000000000000000"},
        {"0101010101010101", "95f8a5e5dd31d900", "8000000000000000"},
        {"8001010101010101", "0000000000000000", "95a8d72813daa94d"},
    };
    for (const auto& c : cases) {
        auto key = unhex(c.key);
        auto plain = unhex(c.plain);
        Des des(std::span<const uint8_t, 8>(key.data(), 8));
        Des::Block block;
        std::copy(plain.begin(), plain.end(), block.begin());
        Des::Block sealed = des.encrypt(block);
        EXPECT_EQ(hex(sealed), c.cipher) << c.key;
        EXPECT_EQ(des.decrypt(sealed), block) << c.key;
    }
}

TEST(Des, TripleDesAgreesWithOpenSsl) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        std::array<uint8_t, 24> key;
        Des::Block block;
        for (auto& b : key)
            b = static_cast<uint8_t>(rng());
        for (auto& b : block)
            b = static_cast<uint8_t>(rng());
        TripleDes ours(key);
        auto reference = opensslTripleDes(EVP_des_ede3_ecb(), key, nullptr, block, false);
        Des::Block sealed = ours.encrypt(block);
        EXPECT_EQ(std::vector<uint8_t>(sealed.begin(), sealed.end()), reference);
        EXPECT_EQ(ours.decrypt(sealed), block);
    }
}

TEST(TextCipher, LengthsAndRoundTrips) {
    const std::string key = "k3y!abcdEXTRA"; // only the first 8 bytes count
    struct Case {
        std::string plain;
        size_t hexLength;
    };
    const Case cases[] = {{"", 0}, {"12345678", 16}, {"123456789", 32}, {"手机号13800138000", 48}};
    for (const auto& c : cases) {
        auto sealed = OADes::OAEncrypt(key, c.plain);
        ASSERT_TRUE(sealed);
        EXPECT_EQ(sealed->size(), c.hexLength) << c.plain;
        EXPECT_EQ(sealed->find_first_not_of("0123456789abcdef"), std::string::npos);
        EXPECT_EQ(OADes::OADecrypt(key, *sealed), c.plain);
        EXPECT_EQ(OADes::OAEncrypt("k3y!abcd", c.plain), sealed);
    }
    // Texts of any length, not just what fitted a fixed buffer.
    std::string longText(1000, 'x');
    EXPECT_EQ(OADes::OADecrypt(key, *OADes::OAEncrypt(key, longText)), longText);
}

TEST(TextCipher, EcbBlocksMatchSingleDes) {
    const std::string key = "abcdefgh";
    std::array<uint8_t, 24> tripled;
    for (size_t i = 0; i < 24; ++i)
        tripled[i] = static_cast<uint8_t>(key[i % 8]);
    std::string plain = "0123456789"; // second block zero-padded
    std::vector<uint8_t> padded(plain.begin(), plain.end());
    padded.resize(16, 0);
    auto reference = opensslTripleDes(EVP_des_ede3_ecb(), tripled, nullptr, padded, false);
    EXPECT_EQ(*OADes::OAEncrypt(key, plain), hex(reference));
}

TEST(TextCipher, DecryptQuirks) {
    const std::string key = "sessionk";
    auto sealed = *OADes::OAEncrypt(key, "  padded text \n");
    EXPECT_EQ(OADes::OADecrypt(key, sealed), "padded text"); // both ends trimmed
    EXPECT_EQ(OADes::OADecrypt(key, "\n " + sealed + " \n"), "padded text");
    std::string upper = sealed;
    for (auto& c : upper)
        c = static_cast<char>(std::toupper(c));
    EXPECT_NE(OADes::OADecrypt(key, upper), std::optional<std::string>("padded text"));
    EXPECT_FALSE(OADes::OAEncrypt(std::nullopt, "x"));
    EXPECT_FALSE(OADes::OADecrypt(key, std::nullopt));
    // Bytes that are not UTF-8 give no text.
    std::string bad = tarvzel::Encrypt(key, "\xff\xfe\xfd");
    EXPECT_FALSE(OADes::OADecrypt(key, bad));

    std::optional<std::string> text = "abc";
    EXPECT_FALSE(OADes::Encrypt(std::nullopt, text));
    EXPECT_EQ(text, "abc");
    EXPECT_TRUE(OADes::Encrypt(key, text));
    EXPECT_TRUE(OADes::Decrypt(key, text));
    EXPECT_EQ(text, "abc");
}

TEST(PassportCipher, KeyDerivation) {
    struct Case {
        const char* keyWord;
        const char* key;
    };
    const Case cases[] = {
        {"12345678901234567890", "2f63f67bb4cd7096"},
        {"  -1200000+00000abcd", "f39fd5eb27ce5306"}, // blanks, signs, stop at a non-digit
        {"99999999999999999999", "45082c83dea6aa6e"}, // 99999 keeps its low 16 bits
        {"00000000000000000000", "bc60d5eb27ce5306"},
    };
    for (const auto& c : cases) {
        std::array<uint8_t, 8> key{};
        ASSERT_EQ(melk::DynamicKeyDecrypt(c.keyWord, key), 0);
        EXPECT_EQ(hex(key), c.key) << c.keyWord;
    }
    std::array<uint8_t, 8> key{};
    EXPECT_EQ(melk::DynamicKeyDecrypt("1234567890123456789", key), -1);
}

TEST(PassportCipher, ResultsAndLengths) {
    std::string out = "kept";
    EXPECT_EQ(melk::melk_encrypt(nullptr, "12345678901234567890", out), melk::MelkMissingArgument);
    EXPECT_EQ(melk::melk_encrypt("pw", "1234567890123456789", out), melk::MelkBadKeyWord);
    EXPECT_EQ(melk::melk_encrypt("pw", "123456789012345678901", out), melk::MelkBadKeyWord);
    EXPECT_EQ(out, "kept");

    ASSERT_EQ(melk::melk_encrypt("", "12345678901234567890", out), melk::MelkOk);
    EXPECT_EQ(out.size(), 12u);
    EXPECT_EQ(out.back(), '=');
    ASSERT_EQ(melk::melk_encrypt("12345678", "12345678901234567890", out), melk::MelkOk);
    EXPECT_EQ(out.size(), 24u);
    ASSERT_EQ(melk::melk_encrypt(std::string(500, 'p'), "12345678901234567890", out), melk::MelkOk);
    EXPECT_EQ(base64Decode(out).size(), 504u);
}

TEST(PassportCipher, CollapsesToSingleDesCbc) {
    // A derived key with no zero byte gives K followed by sixteen bytes of 8:
    // decrypting and encrypting under the same key cancel, leaving DES-CBC under K.
    const std::string keyWord = "12345678901234567890";
    std::array<uint8_t, 8> key{};
    melk::DynamicKeyDecrypt(keyWord, key);
    std::array<uint8_t, 24> single;
    for (size_t i = 0; i < 24; ++i)
        single[i] = key[i % 8];
    auto iv = melk::initialisationVector();
    for (std::string plain : {"", "secret", "exactly8", "a much longer password text"}) {
        std::string out;
        ASSERT_EQ(melk::melk_encrypt(plain, keyWord, out), 0);
        std::vector<uint8_t> bytes(plain.begin(), plain.end());
        EXPECT_EQ(base64Decode(out), opensslTripleDes(EVP_des_ede3_cbc(), single, iv.data(), bytes, true)) << plain;
    }
}

TEST(PassportCipher, ShortKeyTextPadsTheTripleKey) {
    std::array<uint8_t, 8> text = {1, 2, 3, 0, 9, 9, 9, 9};
    auto key = melk::makeTripleKey(text);
    EXPECT_EQ(hex(key), "010203050505050505050505050505050505050505050505");
}

} // namespace
} // namespace pw
