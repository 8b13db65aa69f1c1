// Looks for a flat page, on a photographed page made with everything known:
// warm lamplight, a shadow over 40 % of the page, black text, a blue stamp
// and a light pencil line.

#include "scan/looks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgproc.hpp>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

constexpr int kWidth = 600, kHeight = 800;

struct PhotographedPage {
  cv::Mat page, light;  // BGR 8 bits; the light falling on it, float BGR
  cv::Mat paper, ink;   // 8-bit masks: bare paper (well clear of marks), text
  cv::Point stamp;      // the stamp's middle
  int pencilRow = 0;
};

// Reflectances laid on white paper, lit by a warm lamp whose light a shadow
// with a soft border cuts to 55 % over the left 40 % of the page.
PhotographedPage Photographed() {
  PhotographedPage p;
  cv::Mat reflectance(kHeight, kWidth, CV_32FC3, cv::Scalar::all(1));
  p.ink = cv::Mat::zeros(kHeight, kWidth, CV_8U);
  for (int y = 60; y < 560; y += 22) {
    const cv::Rect bar(50, y, 480 - (y % 5) * 30, 7);
    reflectance(bar).setTo(cv::Scalar::all(0.1));
    p.ink(bar).setTo(255);
  }
  p.stamp = {430, 660};
  cv::circle(reflectance, p.stamp, 45, cv::Scalar(0.8, 0.3, 0.15), cv::FILLED);
  p.pencilRow = 740;
  cv::line(reflectance, {60, p.pencilRow}, {540, p.pencilRow}, cv::Scalar::all(0.62), 2);
  cv::Mat marks;
  cv::cvtColor(reflectance, marks, cv::COLOR_BGR2GRAY);
  cv::compare(marks, 0.999, p.paper, cv::CMP_GE);
  cv::erode(p.paper, p.paper, cv::getStructuringElement(cv::MORPH_RECT, {7, 7}));
  p.light.create(kHeight, kWidth, CV_32FC3);
  for (int x = 0; x < kWidth; ++x) {
    const double shade = 0.55 + 0.45 / (1 + std::exp(-(x - 0.4 * kWidth) / 6.0));
    p.light.col(x).setTo(cv::Scalar(165, 200, 232) * shade);
  }
  cv::Mat lit = reflectance.mul(p.light);
  lit.convertTo(p.page, CV_8UC3);
  return p;
}

cv::Mat Grey(const cv::Mat& bgr) {
  cv::Mat grey;
  cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
  return grey;
}

// The paper's colour is the light on the paper, under the text, the stamp and
// the pencil too, within a few levels away from the shadow's border.
TEST(PaperColour, IsTheLightOnThePaper) {
  const PhotographedPage p = Photographed();
  const cv::Mat paper = PaperColour(p.page);
  cv::Mat off;
  cv::absdiff(paper, p.light, off);
  cv::Mat clear = cv::Mat::ones(kHeight, kWidth, CV_8U);
  clear.colRange(static_cast<int>(0.4 * kWidth) - 50, static_cast<int>(0.4 * kWidth) + 50).setTo(0);
  double worst = 0;
  std::vector<cv::Mat> channels;
  cv::split(off, channels);
  for (const cv::Mat& c : channels) {
    cv::minMaxLoc(c, nullptr, &worst, nullptr, nullptr, clear);
    EXPECT_LT(worst, 8);
  }
}

// Clean: the paper white and even all over, also right beside the marks (no
// halos); the text still black, the stamp still blue, the pencil still seen.
// Cleaning a clean page again changes it hardly at all.
TEST(ApplyLook, CleanMakesThePaperWhiteAndKeepsTheInk) {
  const PhotographedPage p = Photographed();
  const cv::Mat clean = Whitened(p.page, PaperColour(p.page));
  const cv::Mat grey = Grey(clean);
  cv::Scalar mean, spread;
  cv::meanStdDev(grey, mean, spread, p.paper);
  EXPECT_GE(mean[0], 247);
  EXPECT_LE(spread[0], 6);
  EXPECT_LT(cv::mean(grey, p.ink)[0], 60);
  const cv::Vec3b stamp = clean.at<cv::Vec3b>(p.stamp);
  EXPECT_GT(stamp[0], stamp[2] + 80) << "blue over red";
  EXPECT_GT(stamp[0], stamp[1] + 60) << "blue over green";
  EXPECT_LT(cv::mean(grey.row(p.pencilRow).colRange(100, 500))[0], 200);
  cv::Mat again;
  cv::absdiff(Whitened(clean, PaperColour(clean)), clean, again);
  EXPECT_LT(cv::mean(again)[0], 2);
}

// Grey and black and white leave grey levels; black and white is a picture
// of one bit a pixel that keeps the text and the pencil black and leaves the
// paper white, without speckle.
TEST(ApplyLook, GreyAndBlackAndWhite) {
  const PhotographedPage p = Photographed();
  for (const Look look : {Look::Grey, Look::BlackWhite}) {
    dib page{};
    newdib(&page, kWidth, kHeight, 24, nullptr, 0);
    cv::Mat pixels(kHeight, kWidth, CV_8UC3, page.poi, static_cast<size_t>(page.bytew));
    p.page.copyTo(pixels);
    ApplyLook(page, look);
    EXPECT_EQ(DibBitCount(&page), look == Look::BlackWhite ? 1 : 24);
    cv::Mat looked(kHeight, kWidth, CV_8UC3);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const uint32_t c = DibPixelColour(page, x, kHeight - 1 - y);  // rows as stored, as `pixels` holds them
        looked.at<cv::Vec3b>(y, x) = {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
      }
    std::vector<cv::Mat> channels;
    cv::split(looked, channels);
    EXPECT_EQ(cv::countNonZero(channels[0] != channels[1]) + cv::countNonZero(channels[1] != channels[2]), 0);
    if (look == Look::BlackWhite) {
      const cv::Mat& bw = channels[0];
      EXPECT_EQ(cv::countNonZero((bw != 0) & (bw != 255)), 0);
      EXPECT_LT(cv::mean(bw, p.ink)[0], 10);
      cv::Mat pencil;
      cv::reduce(bw(cv::Rect(100, p.pencilRow - 1, 400, 3)), pencil, 0, cv::REDUCE_MIN);
      EXPECT_GT(cv::countNonZero(pencil == 0), 0.95 * pencil.cols);
      EXPECT_LT(cv::countNonZero((bw == 0) & p.paper), 0.001 * cv::countNonZero(p.paper));
    }
    ReleaseDib(&page);
  }
}

int Pieces(const cv::Mat& mask, int connectivity) {
  cv::Mat labels;
  return cv::connectedComponents(mask, labels, connectivity) - 1;
}

// Smoothing edges flips lone bumps and notches away: a box with them comes
// back plain, thin lines (straight, slanting, round) stay whole, and on
// random blotches no mark and no hole is cut or joined.
TEST(SmoothedEdges, FlipsLoneBumpsAndKeepsEveryMarkWhole) {
  cv::Mat plain(40, 40, CV_8U, cv::Scalar(255));
  plain(cv::Rect(10, 10, 20, 15)).setTo(0);
  cv::Mat bumpy = plain.clone();
  for (const cv::Point bump : {cv::Point(15, 9), cv::Point(30, 20), cv::Point(9, 12), cv::Point(22, 25)})
    bumpy.at<uint8_t>(bump) = 0;
  for (const cv::Point notch : {cv::Point(18, 10), cv::Point(29, 14), cv::Point(10, 22), cv::Point(25, 24)})
    bumpy.at<uint8_t>(notch) = 255;
  EXPECT_EQ(cv::countNonZero(SmoothedEdges(bumpy) != plain), 0);

  cv::Mat lines(60, 60, CV_8U, cv::Scalar(255));
  cv::line(lines, {5, 5}, {50, 5}, 0);
  cv::line(lines, {5, 10}, {5, 55}, 0);
  cv::line(lines, {10, 12}, {50, 52}, 0);
  cv::line(lines, {12, 50}, {30, 14}, 0);
  cv::circle(lines, {38, 28}, 9, 0);
  EXPECT_EQ(cv::countNonZero(SmoothedEdges(lines) != lines), 0);

  cv::RNG random(7);
  for (int trial = 0; trial < 20; ++trial) {
    cv::Mat level(80, 80, CV_32F);
    random.fill(level, cv::RNG::UNIFORM, 0, 1);
    cv::GaussianBlur(level, level, {0, 0}, 1 + trial % 3 * 0.5);
    cv::Mat bw = (level > 0.5) / 255 * 255;
    const cv::Mat smoothed = SmoothedEdges(bw);
    EXPECT_EQ(Pieces(smoothed == 0, 8), Pieces(bw == 0, 8)) << trial;
    EXPECT_EQ(Pieces(smoothed != 0, 4), Pieces(bw != 0, 4)) << trial;
    EXPECT_GT(cv::countNonZero(smoothed != bw), 0) << trial;
  }
}

}  // namespace
}  // namespace trellimap
