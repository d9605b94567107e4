#include "base/version.h"

#include <gtest/gtest.h>

#include <string>

namespace tabulon {
namespace {

TEST(VersionNumber, ReadsTheDigitsWithTheDotsRemoved) {
  const struct {
    std::string text;
    int32_t number;
  } cases[] = {
      {"1.0.3", 103},
      {"1.10", 110},
      {"1.9.5", 195},
      {"2.1", 21},
      {"0.0.1", 1},
      {"103", 103},
      {"...7..", 7},
      {"2147.483.647", 2147483647},
      {"-1.2", -12},
      {"+1.2", 12},
      {"-2147483648", -2147483647 - 1},
      // Not a number: 0.
      {"", 0},
      {"...", 0},
      {"1.0.0.20231231", 0},  // 10020231231 is out of range
      {"2147483648", 0},
      {"-2147483649", 0},
      {"99999999999999999999999", 0},
      {"1.0a", 0},
      {" 1.0", 0},
      {"1.0 ", 0},
      {"1,0", 0},
      {"-", 0},
      {"1-2", 0},
      {"0x10", 0},
      {"\xd6\xd0", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(VersionNumber(c.text), c.number) << '"' << c.text << '"';
}

TEST(VersionNumber, OrdersVersionsByNumberNotByParts) {
  // The service and the product number releases this way; 1.10 is older than 1.9.5.
  EXPECT_LT(VersionNumber("1.10"), VersionNumber("1.9.5"));
  EXPECT_LT(VersionNumber("1.0.3"), VersionNumber("1.0.4"));
  EXPECT_EQ(VersionNumber("1.0.3"), VersionNumber("10.3"));
}

}  // namespace
}  // namespace tabulon
