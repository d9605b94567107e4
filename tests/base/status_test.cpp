#include "base/status.h"

#include <gtest/gtest.h>

namespace tabulon {
namespace {

Result<int> Half(int v) {
  if (v % 2) return Status::InvalidArgument("odd value");
  return v / 2;
}

Status Chain(int v, int* out) {
  auto r = Half(v);
  TABULON_RETURN_IF_ERROR(r.status());
  *out = *r;
  return Status::Ok();
}

TEST(Status, CarriesCodeAndMessage) {
  EXPECT_TRUE(Status::Ok().ok());
  EXPECT_EQ(Status::Ok().ToString(), "OK");
  Status s = Status::Corruption("page 12 is truncated");
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(s.code(), Status::Code::kCorruption);
  EXPECT_EQ(s.ToString(), "Corruption: page 12 is truncated");
}

TEST(Result, HoldsValueOrStatus) {
  int out = 0;
  EXPECT_TRUE(Chain(8, &out).ok());
  EXPECT_EQ(out, 4);
  Status s = Chain(7, &out);
  EXPECT_EQ(s.code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(s.message(), "odd value");
}

}  // namespace
}  // namespace tabulon
