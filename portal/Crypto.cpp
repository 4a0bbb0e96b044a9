#include "portal/Crypto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <charconv>
#include <climits>
#include <vector>

namespace portal {

namespace {

constexpr std::string_view kPasswordScheme = "pbkdf2_sha256";
constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kHashBytes = 32;
// A damaged record must not make one login burn minutes of CPU.
constexpr int kMaxIterations = 10'000'000;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> RandomBytes(std::size_t count) {
  std::string bytes(count, '\0');
  if (count > INT_MAX) return std::nullopt;
  if (count > 0 && RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<int>(count)) != 1) {
    return std::nullopt;
  }
  return bytes;
}

std::string HexEncode(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    hex.push_back(kDigits[c >> 4]);
    hex.push_back(kDigits[c & 0xF]);
  }
  return hex;
}

std::optional<std::string> HexDecode(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    int high = HexValue(hex[i]);
    int low = HexValue(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<char>(high * 16 + low));
  }
  return bytes;
}

std::optional<std::string> Pbkdf2Sha256(std::string_view password, std::string_view salt, int iterations,
                                        std::size_t dkLength) {
  if (iterations < 1 || password.size() > INT_MAX || salt.size() > INT_MAX || dkLength > INT_MAX) {
    return std::nullopt;
  }
  std::string out(dkLength, '\0');
  int ok = PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                             reinterpret_cast<const unsigned char*>(salt.data()),
                             static_cast<int>(salt.size()), iterations, EVP_sha256(),
                             static_cast<int>(dkLength), reinterpret_cast<unsigned char*>(out.data()));
  if (ok != 1) return std::nullopt;
  return out;
}

std::string HmacSha256Hex(std::string_view key, std::string_view data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
           reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest, &length) == nullptr) {
    return {};
  }
  return HexEncode(std::string_view(reinterpret_cast<const char*>(digest), length));
}

bool ConstantTimeEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  return a.empty() || CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string Base64Encode(std::string_view bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  int written =
      EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                      reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  out.resize(written < 0 ? 0 : static_cast<std::size_t>(written));
  return out;
}

std::optional<std::string> HashPassword(std::string_view password, int iterations) {
  std::optional<std::string> salt = RandomBytes(kSaltBytes);
  if (!salt) return std::nullopt;
  std::optional<std::string> hash = Pbkdf2Sha256(password, *salt, iterations, kHashBytes);
  if (!hash) return std::nullopt;
  return std::string(kPasswordScheme) + "$" + std::to_string(iterations) + "$" + HexEncode(*salt) + "$" +
         HexEncode(*hash);
}

bool VerifyPassword(std::string_view password, std::string_view record) {
  std::vector<std::string_view> parts;
  std::size_t pos = 0;
  while (true) {
    std::size_t next = record.find('$', pos);
    parts.push_back(record.substr(pos, next == std::string_view::npos ? std::string_view::npos : next - pos));
    if (next == std::string_view::npos) break;
    pos = next + 1;
  }
  if (parts.size() != 4 || parts[0] != kPasswordScheme) return false;
  int iterations = 0;
  auto [end, ec] = std::from_chars(parts[1].data(), parts[1].data() + parts[1].size(), iterations);
  if (ec != std::errc() || end != parts[1].data() + parts[1].size() || iterations < 1 ||
      iterations > kMaxIterations) {
    return false;
  }
  std::optional<std::string> salt = HexDecode(parts[2]);
  std::optional<std::string> expected = HexDecode(parts[3]);
  if (!salt || !expected || expected->empty()) return false;
  std::optional<std::string> actual = Pbkdf2Sha256(password, *salt, iterations, expected->size());
  return actual && ConstantTimeEquals(*actual, *expected);
}

}  // namespace portal
