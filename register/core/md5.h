// MD5 message digest (RFC 1321), our own implementation. The printed
// invoice carries the digest of the exchange file it was made from, so a
// clerk can tell which file the fund received. Pure; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class TMD5 {
 public:
  using TDigest = std::array<std::uint8_t, 16>;

  TMD5();
  // Adds bytes to the message.
  void Update(std::span<const std::uint8_t> data);
  void Update(std::string_view data);
  // Pads, returns the digest and starts a new message.
  TDigest Final();

 private:
  void Transform(const std::uint8_t* block);
  void Reset();

  std::array<std::uint32_t, 4> FState;
  std::uint64_t FLength = 0;  // bytes so far
  std::array<std::uint8_t, 64> FBlock;
  std::size_t FBlockUsed = 0;
};

// The digest as 32 upper-case hexadecimal digits.
std::string MD5ToHex(const TMD5::TDigest& digest);
// The digest of `data`, hex.
std::string MD5Hex(std::string_view data);
// The digest of the file's bytes, read in blocks of 4096, hex. Throws
// EFOpenError when the file cannot be opened, EReadError when a read fails.
std::string MD5FileHex(const std::string& fileName);
