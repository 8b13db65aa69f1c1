#include "foundation/dynaarray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/outlinepoint.h"
#include "tests/support/recordingmessages.h"

namespace trellimap {
namespace {

using Xs = std::vector<int32_t>;
constexpr uint32_t kPointSize = sizeof(TOutlinePoint);

bool AllZero(const void* p, size_t bytes) {
  const auto* b = static_cast<const unsigned char*>(p);
  return std::all_of(b, b + bytes, [](unsigned char c) { return c == 0; });
}

class DynaArrayTest : public ::testing::Test {
 protected:
  // Appends points (i, -i) for i = count .. n - 1.
  void FillTo(uint32_t n) {
    while (a.count < n) {
      const auto i = static_cast<int32_t>(a.count);
      ASSERT_NE(a.Add(), nullptr);
      *p = {i, -i, false, {}};
    }
  }
  // The x of every record, read straight from the block (the cursor stays).
  Xs AllX() const {
    const auto* points = static_cast<const TOutlinePoint*>(a.poi);
    Xs xs;
    for (uint32_t i = 0; i < a.count; ++i) xs.push_back(points[i].x);
    return xs;
  }

  TOutlinePoint* p = nullptr;
  TDynaArray a{kPointSize, &p};
};

TEST_F(DynaArrayTest, NewArrayHoldsNothingAndCursorCannotMove) {
  TOutlinePoint sentinel{};
  p = &sentinel;
  a.First();
  EXPECT_FALSE(a.Next());
  EXPECT_FALSE(a.WhileNext());
  EXPECT_EQ(a.aobjnr, -1);
  EXPECT_EQ(p, &sentinel);
  EXPECT_EQ(a.poi, nullptr);
}

TEST_F(DynaArrayTest, BlockGrowsAndShrinksInStepsOfHundredRecords) {
  EXPECT_EQ(a.Add(), a.poi);
  EXPECT_EQ(p, a.poi);
  EXPECT_EQ(a.amemsize, 1200u);
  EXPECT_TRUE(AllZero(a.poi, a.amemsize));
  FillTo(101);
  EXPECT_EQ(a.amemsize, 2400u);
  EXPECT_EQ(a.aobjnr, 100);
  EXPECT_EQ(AllX().back(), 100);
  a.Delete(0);
  EXPECT_EQ(a.amemsize, 1200u);
  EXPECT_EQ(a.aobjnr, -1);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(AllX().front(), 1);
  EXPECT_EQ(AllX().back(), 100);
  while (a.count > 0) a.Delete(0);
  EXPECT_EQ(a.poi, nullptr);
  EXPECT_EQ(a.amemsize, 0u);
}

TEST_F(DynaArrayTest, ReusedSlotIsHandedOutZeroed) {
  FillTo(2);
  std::memset(p, 0xAB, kPointSize);
  a.Delete(1);
  EXPECT_TRUE(AllZero(a.Add(), kPointSize));
}

TEST_F(DynaArrayTest, InsertAndDeleteMoveFollowingRecordsAndIgnoreOutOfRange) {
  a.Delete(0);
  FillTo(3);
  for (int32_t bad : {-1, 4}) EXPECT_EQ(a.Insert(bad), nullptr);
  for (int32_t bad : {-1, 3}) a.Delete(bad);
  EXPECT_EQ(a.aobjnr, 2);
  EXPECT_EQ(AllX(), (Xs{0, 1, 2}));
  EXPECT_EQ(a.Insert(3), p);
  EXPECT_EQ(a.aobjnr, 3);
  EXPECT_TRUE(AllZero(a.Insert(1), kPointSize));
  EXPECT_EQ(a.aobjnr, 1);
  EXPECT_EQ(AllX(), (Xs{0, 0, 1, 2, 0}));
  a.Delete(2);
  EXPECT_EQ(AllX(), (Xs{0, 0, 2, 0}));
  a.Clear();
  EXPECT_EQ(a.poi, nullptr);
  EXPECT_EQ(p, nullptr);
}

TEST_F(DynaArrayTest, CursorWalksAllRecordsInOrder) {
  FillTo(5);
  Xs seen;
  for (a.First(); a.WhileNext();) {
    EXPECT_EQ(a.aobjnr - 1, p->x);
    seen.push_back(p->x);
  }
  EXPECT_EQ(seen, AllX());
  EXPECT_EQ(a.aobjnr, 5);
  EXPECT_EQ(p->x, 4);
  a.Delete(4);  // cursor at none: Next starts at record 0
  for (seen.clear(); a.Next();) seen.push_back(p->x);
  EXPECT_EQ(seen, AllX());
  EXPECT_EQ(a.aobjnr, 3);
}

TEST_F(DynaArrayTest, ChangeSwapsRecordsAndIgnoresOutOfRange) {
  FillTo(3);
  a.Change(0, 2);
  EXPECT_EQ(a.aobjnr, 2);
  EXPECT_EQ(p->x, 0);
  a.Change(1, 1);
  EXPECT_EQ(a.aobjnr, 1);
  for (auto [n1, n2] : {std::pair{0, 3}, {-1, 0}, {3, 0}}) a.Change(n1, n2);
  EXPECT_EQ(a.aobjnr, 1);
  EXPECT_EQ(AllX(), (Xs{2, 1, 0}));
}

TEST_F(DynaArrayTest, CallerVariableFollowsLastPositionedArrayButNotDestroy) {
  TOutlinePoint sentinel{};
  {
    TDynaArray b(kPointSize, &p);
    a.Add();
    EXPECT_EQ(b.Add(), p);
    a.First();
    EXPECT_EQ(p, a.poi);
    p = &sentinel;
  }
  EXPECT_EQ(p, &sentinel);
}

// Allocation fails while `failing` is set; otherwise it is calloc/free.
bool failing = false;
int obtained = 0;
void* MaybeObtain(size_t bytes) {
  ++obtained;
  return failing ? nullptr : std::calloc(1, bytes);
}
void Release(void* block) { std::free(block); }

class DynaArrayNoMemoryTest : public DynaArrayTest {
 protected:
  DynaArrayNoMemoryTest() : previous_(SetDynaArrayAllocator({&MaybeObtain, &Release})) { failing = false; }
  ~DynaArrayNoMemoryTest() override { SetDynaArrayAllocator(previous_); }

  // Runs `op` with allocation failing and expects exactly one error message for `bytes`.
  template <class Op>
  void FailOnce(Op op, int step, const char* bytes) {
    failing = true;
    op();
    failing = false;
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Error " + std::to_string(step) + " while trying to allocate " + bytes +
                                          " bytes of RAM. Not enough memory.");
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Error);
    messages.shown.clear();
  }

  testing::RecordingMessages messages;
  DynaArrayAllocator previous_;
};

TEST_F(DynaArrayNoMemoryTest, FailedFirstBlockOrGrowthKeepsBlockCountAndCursor) {
  FailOnce([&] { EXPECT_EQ(a.Insert(0), nullptr); }, 1, "1200");
  EXPECT_EQ(a.count, 0u);
  EXPECT_EQ(a.poi, nullptr);
  FillTo(100);
  void* block = a.poi;
  a.Change(7, 7);
  FailOnce([&] { EXPECT_EQ(a.Add(), nullptr); }, 2, "2400");
  FailOnce([&] { EXPECT_EQ(a.Insert(0), nullptr); }, 2, "2400");
  EXPECT_EQ(a.count, 100u);
  EXPECT_EQ(a.poi, block);
  EXPECT_EQ(a.amemsize, 1200u);
  EXPECT_EQ(a.aobjnr, 7);
  EXPECT_EQ(p->x, 7);
}

TEST_F(DynaArrayNoMemoryTest, FailedShrinkKeepsBiggerBlockAndRetriesLater) {
  FillTo(101);
  FailOnce([&] { a.Delete(0); }, 3, "1200");
  FailOnce([&] { a.Delete(0); }, 3, "1200");
  EXPECT_EQ(a.amemsize, 2400u);
  EXPECT_EQ(AllX().front(), 2);
  EXPECT_EQ(AllX().back(), 100);
  EXPECT_TRUE(AllZero(a.Add(), kPointSize));  // the bigger block serves as it is
  EXPECT_EQ(a.amemsize, 2400u);
  a.Delete(0);
  EXPECT_EQ(a.amemsize, 1200u);
  EXPECT_EQ(AllX().back(), 0);
  EXPECT_EQ(AllX()[97], 100);
}

TEST_F(DynaArrayNoMemoryTest, BlockBeyondThirtyTwoBitsIsRefusedWithoutAsking) {
  TDynaArray huge(0x80000000u);
  obtained = 0;
  FailOnce([&] { EXPECT_EQ(huge.Add(), nullptr); }, 1, "214748364800");
  EXPECT_EQ(obtained, 0);
  EXPECT_EQ(huge.count, 0u);
}

}  // namespace
}  // namespace trellimap
