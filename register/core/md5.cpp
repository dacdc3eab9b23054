#include "register/core/md5.h"

#include <bit>
#include <cstring>
#include <vector>

#include "platform/base/file_stream.h"

namespace {

// Per-round shift amounts and the sine-derived constants of RFC 1321.
constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

std::uint32_t LoadLE32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

constexpr std::size_t kFileBlock = 4096;

}  // namespace

TMD5::TMD5() { Reset(); }

void TMD5::Reset() {
  FState = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  FLength = 0;
  FBlockUsed = 0;
}

namespace {

// One step: the round's function value f, the message word, the constant
// and the shift; the four registers rotate by naming.
inline std::uint32_t Step(std::uint32_t a, std::uint32_t b, std::uint32_t f, std::uint32_t word,
                          int i) {
  return b + std::rotl(a + f + kSine[i] + word, kShift[i]);
}

}  // namespace

void TMD5::Transform(const std::uint8_t* block) {
  std::uint32_t m[16];
  for (int i = 0; i < 16; ++i) m[i] = LoadLE32(block + 4 * i);
  std::uint32_t a = FState[0], b = FState[1], c = FState[2], d = FState[3];
  // Four rounds of sixteen steps, each round with its own function and
  // message order; written per round so that no step branches.
  for (int i = 0; i < 16; ++i) {
    const std::uint32_t next = Step(a, b, (b & c) | (~b & d), m[i], i);
    a = d, d = c, c = b, b = next;
  }
  for (int i = 16; i < 32; ++i) {
    const std::uint32_t next = Step(a, b, (d & b) | (~d & c), m[(5 * i + 1) % 16], i);
    a = d, d = c, c = b, b = next;
  }
  for (int i = 32; i < 48; ++i) {
    const std::uint32_t next = Step(a, b, b ^ c ^ d, m[(3 * i + 5) % 16], i);
    a = d, d = c, c = b, b = next;
  }
  for (int i = 48; i < 64; ++i) {
    const std::uint32_t next = Step(a, b, c ^ (b | ~d), m[(7 * i) % 16], i);
    a = d, d = c, c = b, b = next;
  }
  FState[0] += a;
  FState[1] += b;
  FState[2] += c;
  FState[3] += d;
}

void TMD5::Update(std::span<const std::uint8_t> data) {
  FLength += data.size();
  std::size_t i = 0;
  if (FBlockUsed > 0) {
    const std::size_t take = std::min(data.size(), 64 - FBlockUsed);
    std::memcpy(FBlock.data() + FBlockUsed, data.data(), take);
    FBlockUsed += take;
    i = take;
    if (FBlockUsed < 64) return;
    Transform(FBlock.data());
    FBlockUsed = 0;
  }
  for (; i + 64 <= data.size(); i += 64) Transform(data.data() + i);
  if (i < data.size()) {
    std::memcpy(FBlock.data(), data.data() + i, data.size() - i);
    FBlockUsed = data.size() - i;
  }
}

void TMD5::Update(std::string_view data) {
  Update(std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
}

TMD5::TDigest TMD5::Final() {
  const std::uint64_t bits = FLength * 8;
  std::uint8_t padding[72] = {0x80};
  const std::size_t padLength = (FBlockUsed < 56 ? 56 : 120) - FBlockUsed;
  for (int i = 0; i < 8; ++i) padding[padLength + i] = static_cast<std::uint8_t>(bits >> (8 * i));
  Update(std::span<const std::uint8_t>(padding, padLength + 8));
  TDigest digest;
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 4; ++k) digest[4 * i + k] = static_cast<std::uint8_t>(FState[i] >> (8 * k));
  Reset();
  return digest;
}

std::string MD5ToHex(const TMD5::TDigest& digest) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(32);
  for (std::uint8_t b : digest) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

std::string MD5Hex(std::string_view data) {
  TMD5 md5;
  md5.Update(data);
  return MD5ToHex(md5.Final());
}

std::string MD5FileHex(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  TMD5 md5;
  std::vector<std::uint8_t> block(kFileBlock);
  while (true) {
    const std::int64_t count = file.Read(block.data(), static_cast<std::int64_t>(block.size()));
    if (count <= 0) break;
    md5.Update(std::span<const std::uint8_t>(block.data(), static_cast<std::size_t>(count)));
  }
  return MD5ToHex(md5.Final());
}
