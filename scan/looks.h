#pragma once
// Looks for a flat page: as photographed, or made clean (the paper even and
// white, the light's cast and shadows gone, ink in its own colours), in grey
// levels, or black and white for text.

#include <opencv2/core.hpp>

#include "image/dib.h"
#include "workspace/flatpage.h"

namespace trellimap {

// A 24-bit page's pixels as OpenCV sees them, not copied: BGR, its rows as
// the page stores them (the bottom first).
cv::Mat PagePixels(const dib& page);

// The paper's own colour at every pixel of a page (BGR, 8 bits): per cell of
// the page the mean colour of its brightest pixels, which is the paper's
// wherever a cell holds some paper; cells without any (inside a photo, a
// dark stamp) filled from their neighbours; smoothed and spread over the
// page. 32-bit float, BGR.
cv::Mat PaperColour(const cv::Mat& page);

// The page divided by the paper's colour, so the paper comes out white and
// ink keeps its colour against it; the last few levels below white made
// white, which takes the paper's grain and noise with them.
cv::Mat Whitened(const cv::Mat& page, const cv::Mat& paper);

// Black (0) and white (255) from grey levels on white paper, by a threshold
// that follows the local mean and spread: light pencil and thin strokes stay
// black, the paper's grain stays white. `enlargement` is how many page
// pixels one photo pixel became (0 where not known): the camera's noise is
// smoothed away over that.
cv::Mat BlackAndWhite(const cv::Mat& grey, double enlargement = 0);

// A black-and-white picture with its lone one-pixel bumps and notches along
// edges flipped: they are the camera's noise, not the page's, and each costs
// a fax code dearly. Lines one pixel thin, diagonal ones too, stay whole, and
// no mark is cut or joined to another.
cv::Mat SmoothedEdges(const cv::Mat& bw);

// Gives the flat page (24 bits) the look, in place: Photo leaves it as it
// is; Grey leaves equal red, green and blue; BlackWhite makes it a 1-bit
// picture, its colour table black then white. `enlargement` as for
// BlackAndWhite.
void ApplyLook(dib& page, Look look, double enlargement = 0);

}  // namespace trellimap
