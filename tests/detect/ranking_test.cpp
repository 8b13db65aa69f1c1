// Ranking pages on their own: scores by how clearly edges show, what a page's
// inside shows, and choosing among the pages found.

#include <gtest/gtest.h>

#include <random>

#include "detect/tuning.h"
#include "tests/detect/stagepictures.h"

namespace trellimap {
namespace {

using testing::Box;
using testing::CopyOf;
using testing::Moved;
using testing::PageOf;

constexpr int kWidth = 240, kHeight = 180;
const Quad kPage{{{52, 31}, {191, 44}, {183, 152}, {41, 139}}};

// A page along its edges scores fully; off its edges on every side, or on
// one side only (the faintest side counting most), it scores next to nothing.
TEST(Score, CountsWhereTheEdgesShow) {
  const WorkingCopy copy = CopyOf(kWidth, kHeight, 50, {{kPage, 235}});
  struct Case {
    const char* name;
    Quad offsets;
    double least, most;
  };
  const Case cases[] = {
      {"on its edges", {}, 0.95, 1},
      {"all sides off", {{{-6, -6}, {6, -6}, {6, 6}, {-6, 6}}}, 0, 0.05},
      {"one side off", {{{0, 0}, {7, 0}, {7, 0}, {0, 0}}}, 0, 0.05},
  };
  for (const Case& c : cases) {
    Page page = PageOf(Moved(kPage, c.offsets));
    Score(copy, page);
    EXPECT_GE(page.score, c.least) << c.name;
    EXPECT_LE(page.score, c.most) << c.name;
  }
}

// A page filling most of the picture whose top is the picture's border shows
// no edge there and rests on its other sides; not so a small shape cut off
// by the border, nor a page with another side off its edge.
TEST(Score, LeavesOutTheBorderOfAPageFillingThePicture) {
  struct Case {
    const char* name;
    Quad patch, page;
    double least, most;
  };
  const Case cases[] = {
      {"filling, its other sides clear", Box(20, -10, 220, 170), Box(20, 0, 220, 170), 0.95, 1},
      {"filling, one other side off", Box(20, -10, 220, 170), Box(20, 0, 227, 170), 0, 0.05},
      {"small", Box(80, -10, 160, 60), Box(80, 0, 160, 60), 0, 0.05},
      {"filling, its bottom the border too", Box(20, -10, 220, 190), Box(20, 0, 220, 180), 0, 0.05},
  };
  for (const Case& c : cases) {
    Page page = PageOf(c.page);
    Score(CopyOf(kWidth, kHeight, 50, {{c.patch, 235}}), page);
    EXPECT_GE(page.score, c.least) << c.name;
    EXPECT_LE(page.score, c.most) << c.name;
  }
}

// Inside an even page its lightness reads back as it is, with no edges;
// a wide dark block inside shows as edges.
TEST(InsideOf, ReadsTheLightnessBackAndSeesEdges) {
  for (const int lightness : {60, 128, 200, 250}) {
    const WorkingCopy copy = CopyOf(kWidth, kHeight, 20, {{kPage, static_cast<uint8_t>(lightness)}});
    const Inside inside = InsideOf(copy, PageOf(kPage));
    EXPECT_NEAR(inside.light, lightness / 255.0, 0.001) << lightness;
    EXPECT_EQ(inside.edges, 0) << lightness;
  }
  const WorkingCopy blocked = CopyOf(kWidth, kHeight, 20, {{kPage, 235}, {Box(90, 70, 140, 110), 40}});
  EXPECT_GT(InsideOf(blocked, PageOf(kPage)).edges, 0.1);
}

// Rank grows with the score, the area and the lightness inside, and is
// lower for a page darker than its surroundings.
TEST(Rank, PrefersClearLargeLightPages) {
  const Quad small = Box(60, 50, 140, 110), large = Box(40, 30, 200, 150);
  const WorkingCopy copy = CopyOf(kWidth, kHeight, 30, {{large, 235}, {Box(150, 40, 190, 140), 150}});
  const auto rank = [&](const Quad& quad, double score, int polarity) {
    Page page = PageOf(quad, polarity);
    page.score = score;
    return Rank(copy, page);
  };
  struct Case {
    const char* name;
    double higher, lower;
  };
  const Case cases[] = {
      {"clearer", rank(small, 0.9, 1), rank(small, 0.8, 1)},
      {"larger", rank(large, 0.9, 1), rank(small, 0.9, 1)},
      {"lighter inside", rank(Box(60, 50, 120, 110), 0.9, 1), rank(Box(140, 50, 200, 110), 0.9, 1)},
      {"lighter than around", rank(small, 0.9, 1), rank(small, 0.9, -1)},
  };
  for (const Case& c : cases) EXPECT_GT(c.higher, c.lower) << c.name;
}

TEST(Encloses, HoldsEveryCornerInside) {
  struct Case {
    Quad inner;
    bool enclosed;
  };
  const Quad outer = Box(40, 30, 200, 150);
  const Case cases[] = {
      {Box(60, 50, 180, 130), true},
      {outer, true},
      {Box(60, 50, 210, 130), false},
      {Box(10, 10, 30, 20), false},
  };
  for (const Case& c : cases) EXPECT_EQ(Encloses(PageOf(outer), PageOf(c.inner)), c.enclosed);
}

// Pages kept from clusters of nearly the same page: one of each cluster, the
// best scoring, in the order the clusters first came.
TEST(Keep, KeepsTheBestOfEachPlace) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int round = 0; round < 20; ++round) {
    const Quad places[] = {Box(20, 20, 100, 90), Box(120, 30, 220, 160), Box(30, 100, 110, 170)};
    std::vector<Page> pages;
    double best[3] = {0, 0, 0};
    int order[3], seen = 0;
    for (int k = 0; k < 30; ++k) {
      const int cluster = static_cast<int>(unit(random) * 3);
      Quad near = places[cluster];
      for (Vec& p : near) p += Vec{unit(random) - 0.5, unit(random) - 0.5};  // within a pixel of each other
      Page page = PageOf(near);
      page.score = unit(random);
      if (best[cluster] == 0) order[seen++] = cluster;
      best[cluster] = std::max(best[cluster], page.score);
      Keep(pages, page);
    }
    ASSERT_EQ(static_cast<int>(pages.size()), seen);
    for (int i = 0; i < seen; ++i) {
      EXPECT_LT(testing::CornerError(Corners(pages[i]), places[order[i]]), 1);
      EXPECT_EQ(pages[i].score, best[order[i]]);
    }
  }
}

// The best ranking page is chosen where its edges show clearly enough, or a
// page around it that scores nearly as well: the page around its text block.
TEST(Choose, TakesTheBestOrThePageAroundIt) {
  const Quad page = Box(40, 30, 200, 150), text = Box(55, 40, 185, 140);
  const WorkingCopy copy = CopyOf(kWidth, kHeight, 30, {{page, 235}});
  const auto scored = [](const Quad& quad, double score) {
    Page p = PageOf(quad);
    p.score = score;
    return p;
  };
  struct Case {
    const char* name;
    std::vector<Page> pages;
    std::optional<Quad> chosen;
  };
  const Case cases[] = {
      {"none", {}, std::nullopt},
      {"too faint", {scored(page, tuning::kLeastScore - 0.05)}, std::nullopt},
      {"alone", {scored(page, 0.9)}, page},
      {"around the text", {scored(text, 1), scored(page, 0.9)}, page},
      {"around but faint", {scored(text, 1), scored(page, 0.8)}, text},
  };
  for (const Case& c : cases) {
    const std::optional<Page> chosen = Choose(copy, c.pages);
    ASSERT_EQ(chosen.has_value(), c.chosen.has_value()) << c.name;
    if (chosen) {
      EXPECT_EQ(testing::CornerError(Corners(*chosen), *c.chosen), 0) << c.name;
    }
  }
}

}  // namespace
}  // namespace trellimap
