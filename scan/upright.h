#pragma once
// Turning a flat page so that its text reads upright, told from the text
// itself: the direction its lines run, and on which side of them the
// ascenders stand out more than the descenders.

#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "image/dib.h"

namespace trellimap {

// The page's letters (grey levels, 8 bits, reduced where it is large): 255
// on the ink of marks the size of letters, rules, pictures and specks left
// out; and the marks' boxes.
struct Letters {
  cv::Mat ink;
  std::vector<cv::Rect> marks;
};
Letters LettersOf(const cv::Mat& grey);
// The same, turned a quarter clockwise.
Letters TurnedQuarter(const Letters& letters);
// Whether the marks make lines running across the page (true) or down it;
// nothing where the page does not tell.
std::optional<bool> LinesRunAcross(const Letters& letters);
// The lines of letters running across the page, each from left to right,
// followed letter to letter (so slanting and bending lines are whole); dots,
// commas and accents, and lines of fewer than five letters, left out.
std::vector<std::vector<cv::Rect>> LinesOf(const Letters& letters);
// How the letters and dots of lines running across stand against their
// lines' bands: above 0 for text upright (ascenders outweigh descenders,
// dots sit over and at the foot of the band), below 0 for text upside down,
// 0 where too little tells.
double UprightEvidence(const Letters& letters);
// Where its letters do not tell, how many quarter turns clockwise make a page
// written on in part read upright, by where its writing begins: at the top
// left, the blank lying below and to the right of it (a handwritten note, a
// letter's first lines). `ink` 255 on the page's ink; `across` as the lines
// run, where known; 0 where the blanks do not tell.
int TurnsByWritingStart(const cv::Mat& ink, std::optional<bool> across);
// How many quarter turns clockwise make the page's text read upright; 0 where
// it does already, or where the page shows no text that tells.
int UprightTurns(const cv::Mat& grey);

// The same for a page (24 bits).
int UprightTurns(const dib& page);

// The page (24 bits) turned by `quarters` quarter turns clockwise, in place;
// false, the page as it was, where there is no memory for it.
bool TurnPage(dib& page, int quarters);

}  // namespace trellimap
