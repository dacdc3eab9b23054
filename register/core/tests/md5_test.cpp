#include "register/core/md5.h"

#include <gtest/gtest.h>

#include "platform/base/exceptions.h"
#include "platform/base/tests/file_test_dir.h"
#include "register/core/tests/exchange_test_support.h"

namespace {

// The test suite of RFC 1321, appendix A.5.
TEST(MD5Test, RfcTestSuite) {
  const struct {
    const char* message;
    const char* digest;
  } cases[] = {
      {"", "D41D8CD98F00B204E9800998ECF8427E"},
      {"a", "0CC175B9C0F1B6A831C399E269772661"},
      {"abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
      {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "D174AB98D277D9F5A5611C2C9F419D9F"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57EDF4A22BE3C955AC49DA2E2107B67A"},
  };
  for (const auto& c : cases) EXPECT_EQ(MD5Hex(c.message), c.digest) << c.message;
}

// Padding crosses a block exactly around 55, 56 and 64 bytes; feeding in
// pieces must give the same digest as feeding at once.
TEST(MD5Test, PiecesAndBlockEdgesAgree) {
  std::string message;
  for (int i = 0; i < 300; ++i) message += static_cast<char>(i * 7 + 1);
  for (std::size_t length : {55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u, 300u}) {
    const std::string m = message.substr(0, length);
    const std::string whole = MD5Hex(m);
    for (std::size_t piece : {1u, 3u, 63u, 64u}) {
      TMD5 md5;
      for (std::size_t at = 0; at < m.size(); at += piece)
        md5.Update(std::string_view(m).substr(at, piece));
      EXPECT_EQ(MD5ToHex(md5.Final()), whole) << length << " " << piece;
    }
  }
  // A known digest past one block: 1000 bytes of "a".
  EXPECT_EQ(MD5Hex(std::string(1000, 'a')), "CABE45DCC9AE5B66BA86600CCA6B8BA8");
}

TEST(MD5Test, FileDigestReadsEveryBlock) {
  TFileTestDir dir;
  const std::string name = dir.File("f.xml");
  for (std::size_t size : {0u, 4095u, 4096u, 10000u}) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
    WriteFileBytes(name, bytes);
    EXPECT_EQ(MD5FileHex(name), MD5Hex(bytes)) << size;
  }
  EXPECT_THROW(MD5FileHex(dir.File("missing")), EFOpenError);
}

}  // namespace
