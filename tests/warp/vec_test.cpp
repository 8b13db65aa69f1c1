// The plane's arithmetic, checked against the laws it must obey on random
// points (exactly where the arithmetic is exact: small whole numbers).

#include "warp/vec.h"

#include <gtest/gtest.h>

#include <random>

namespace trellimap {
namespace {

class VecLaws : public ::testing::Test {
 protected:
  // A point with whole coordinates from -1000 to 1000.
  Vec Whole() { return {static_cast<double>(whole_(random_)), static_cast<double>(whole_(random_))}; }
  std::mt19937 random_{21};
  std::uniform_int_distribution<int> whole_{-1000, 1000};
};

bool Same(const Vec& a, const Vec& b) { return a.x == b.x && a.y == b.y; }

TEST_F(VecLaws, SumsAndScalings) {
  for (int round = 0; round < 200; ++round) {
    const Vec a = Whole(), b = Whole(), c = Whole();
    const double s = whole_(random_);
    EXPECT_TRUE(Same(a + b, b + a));
    EXPECT_TRUE(Same((a + b) + c, a + (b + c)));
    EXPECT_TRUE(Same(a - b, a + -b));
    EXPECT_TRUE(Same(a - a, Vec{0, 0}));
    EXPECT_TRUE(Same(s * (a + b), s * a + s * b));
    EXPECT_TRUE(Same(s * a, a * s));
    EXPECT_TRUE(Same((a * 4) / 4, a));
    Vec d = a;
    d += b;
    EXPECT_TRUE(Same(d, a + b));
    d -= b;
    EXPECT_TRUE(Same(d, a));
  }
}

TEST_F(VecLaws, ProductsAndLengths) {
  for (int round = 0; round < 200; ++round) {
    const Vec a = Whole(), b = Whole(), c = Whole();
    const double s = whole_(random_);
    EXPECT_EQ(Dot(a, b), Dot(b, a));
    EXPECT_EQ(Dot(a, b + c), Dot(a, b) + Dot(a, c));
    EXPECT_EQ(Dot(s * a, b), s * Dot(a, b));
    EXPECT_EQ(Cross(a, b), -Cross(b, a));
    EXPECT_EQ(Cross(a, a), 0);
    EXPECT_EQ(Cross(a, b + c), Cross(a, b) + Cross(a, c));
    // a turned a quarter clockwise on the screen is at a right angle and turns clockwise from a.
    const Vec quarter{-a.y, a.x};
    EXPECT_EQ(Dot(a, quarter), 0);
    EXPECT_GE(Cross(a, quarter), 0);
    EXPECT_NEAR(Length(a) * Length(a), Dot(a, a), 1e-9 * (1 + Dot(a, a)));
    EXPECT_EQ(Distance(a, b), Distance(b, a));
    EXPECT_EQ(Distance(a, b), Length(b - a));
    EXPECT_LE(Distance(a, c), Distance(a, b) + Distance(b, c) + 1e-9);
  }
  EXPECT_EQ(Length({3, 4}), 5);
}

}  // namespace
}  // namespace trellimap
