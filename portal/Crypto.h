// Randomness, password hashing, signatures and Base64 for the portal, on top of
// OpenSSL's libcrypto.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace portal {

// Cryptographically strong random bytes; nullopt when the generator fails.
std::optional<std::string> RandomBytes(std::size_t count);

std::string HexEncode(std::string_view bytes);
// Lower- or upper-case hex of even length; nullopt otherwise.
std::optional<std::string> HexDecode(std::string_view hex);

// PBKDF2-HMAC-SHA256 of the password with the salt, dkLength bytes.
std::optional<std::string> Pbkdf2Sha256(std::string_view password, std::string_view salt, int iterations,
                                        std::size_t dkLength);

// Lower-case hex of HMAC-SHA256(key, data).
std::string HmacSha256Hex(std::string_view key, std::string_view data);

// Comparison whose time depends only on the lengths.
bool ConstantTimeEquals(std::string_view a, std::string_view b);

// Standard Base64 with "=" padding and no line breaks.
std::string Base64Encode(std::string_view bytes);

// Stored password form: "pbkdf2_sha256$ITERATIONS$SALT_HEX$HASH_HEX" with a fresh
// random salt. nullopt when randomness or hashing fails.
std::optional<std::string> HashPassword(std::string_view password, int iterations);
// False for a wrong password and for any record not in the stored form.
bool VerifyPassword(std::string_view password, std::string_view record);

}  // namespace portal
