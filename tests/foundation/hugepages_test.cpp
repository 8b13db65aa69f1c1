#include "foundation/hugepages.h"

#include <gtest/gtest.h>

namespace trellimap {
namespace {

constexpr size_t kMegabyte = size_t{1} << 20;

// The block given back last serves the next buffer of its size or up to half
// as big, also when that buffer's user gives it back under its own smaller
// size; a bigger buffer gets a block of its own.
TEST(HugePages, TheLastBlockServesTheNextOfAboutItsSize) {
  void* first = TakeHugeBlock(7 * kMegabyte);  // 8 MB of huge pages
  GiveBackHugeBlock(first, 7 * kMegabyte);
  void* smaller = TakeHugeBlock(5 * kMegabyte);
  EXPECT_EQ(smaller, first);
  GiveBackHugeBlock(smaller, 5 * kMegabyte);
  void* again = TakeHugeBlock(8 * kMegabyte);
  EXPECT_EQ(again, first);
  void* bigger = TakeHugeBlock(9 * kMegabyte);
  EXPECT_NE(bigger, first);
  GiveBackHugeBlock(again, 8 * kMegabyte);
  GiveBackHugeBlock(bigger, 9 * kMegabyte);
  void* small = TakeHugeBlock(kMegabyte);
  EXPECT_NE(small, bigger);  // too big to lend for so little
  GiveBackHugeBlock(small, kMegabyte);
}

}  // namespace
}  // namespace trellimap
