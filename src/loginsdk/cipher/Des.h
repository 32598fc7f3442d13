#pragma once
// The DES block cipher (FIPS 46-3) and its EDE3 composition, for the account
// service's two ciphers. The service fixed these algorithms; nothing else in
// the system should use them for protection.
#include <array>
#include <cstdint>
#include <span>

namespace pw {

class Des {
public:
    using Block = std::array<uint8_t, 8>;

    explicit Des(std::span<const uint8_t, 8> key);

    Block encrypt(const Block& in) const { return crypt(in, false); }
    Block decrypt(const Block& in) const { return crypt(in, true); }

private:
    Block crypt(const Block& in, bool decrypt) const;

    std::array<uint64_t, 16> m_subkeys{}; // 48-bit round keys, right-aligned
};

// Encrypt with key 1, decrypt with key 2, encrypt with key 3 (and the reverse).
class TripleDes {
public:
    explicit TripleDes(std::span<const uint8_t, 24> key);

    Des::Block encrypt(const Des::Block& in) const;
    Des::Block decrypt(const Des::Block& in) const;

private:
    Des m_k1;
    Des m_k2;
    Des m_k3;
};

} // namespace pw
