#pragma once
// The values that tune finding a page, stage by stage, for detect/ alone.
// Lengths are in working pixels unless said otherwise; a "share" is a
// fraction of the length named beside it.

#include <cstddef>

namespace trellimap::tuning {

// The working copy.
inline constexpr int kWorkingSize = 660;     // the working copy's longer side, in pixels
inline constexpr float kLevelOffset = 8.0f;  // added to the lightness before its logarithm: black stays finite
inline constexpr double kClosings[] = {0.015, 0.022};  // widths of dark strokes closed away, shares of the longer side
inline constexpr int kLeastClosing = 5;                // the narrowest closing, pixels
inline constexpr double kLevelBlur = 1.2;              // the level's blur against noise (standard deviation)
inline constexpr double kSobelScale = 1.0 / 8;         // makes a 3 × 3 Sobel filter's response a rise per pixel
inline constexpr double kTrendBlur = 0.01;  // the broad trends that sharpness leaves out, shares of the longer side

// First guesses: regions between edges and blocks of text.
// Edge thresholds on the gradient of the logarithmic lightness, strong to
// faint: 0.015 is a step of a few grey levels on white paper.
inline constexpr float kThresholds[] = {0.12f, 0.08f, 0.055f, 0.04f, 0.028f, 0.02f, 0.015f, 0.011f, 0.008f};
inline constexpr double kCell = 2;                    // regions are labelled on cells this many pixels wide
inline constexpr int kThinEdge = 3;                   // edges thickened to this width close small gaps
inline constexpr double kWideEdge = 0.012;            // and to this share of the longer side the gaps a page leaves
inline constexpr int kLeastWideEdge = 5;              // the least of that width, pixels
inline constexpr double kLeastRegion = 0.002;         // the least area of a region, share of the picture's
inline constexpr double kLeastRegionBox = 0.015;      // the least area of a region's box, share of the picture's
inline constexpr double kMostRegionBox = 0.95;        // the most area of a region's box: the whole picture is no page
inline constexpr size_t kMostRegions = 5;             // the regions spanning most kept per threshold
inline constexpr double kStrokeDepth = 40;            // grey levels a stroke of text lies below its closed ground
inline constexpr double kPolygonTolerance = 0.01;     // the first and step of the tolerance reducing a hull to four
                                                      // corners, share of the hull's perimeter
inline constexpr double kMostPolygonTolerance = 0.2;  // beyond it, the hull's enclosing rectangle stands for it
inline constexpr double kLeastFit = 0.6;              // the least share of its quad a region covers to make a guess
inline constexpr double kDistinct = 0.02;   // guesses whose corners lie closer (share of the diagonal) are one
inline constexpr size_t kMostGuesses = 16;  // the most first guesses followed, the likeliest first
inline constexpr double kTextGrowths[] = {1.1, 1.2, 1.3};  // a block of text grown by these about its centre
inline constexpr double kMostJoinedArea = 1.3;  // two parts are joined where the quad around both is at most this
                                                // many times their areas together
inline constexpr int kJoinRounds = 2;           // joined parts are joined again this many times in all

// Tracing an edge.
inline constexpr float kFaintest = 0.006f;     // the faintest fall still taken for an edge: a few grey levels on white
inline constexpr double kTraceSpacing = 2;     // pixels along the side between traced points
inline constexpr int kLeastTraced = 12;        // the fewest points traced along a side
inline constexpr int kMostTraced = 200;        // the most points traced along a side
inline constexpr int kMostMove = 2;            // pixels a traced edge moves at most from one point to the next
inline constexpr float kMoveCost = 0.15f;      // the cost of moving a pixel, share of the typical rise
inline constexpr float kFaintTraced = 0.3f;    // a traced point fainter than this share of the typical rise is left out
inline constexpr int kSupportSamples = 48;     // places along a side where its edge is looked for
inline constexpr double kRefineSpacing = 6;    // picture pixels along the side between refined points
inline constexpr int kLeastRefined = 16;       // the fewest points refined along a side
inline constexpr int kMostRefined = 240;       // the most points refined along a side
inline constexpr double kRefineStep = 0.5;     // picture pixels between samples across the edge
inline constexpr float kLeastRefinedRise = 1;  // grey levels per picture pixel an edge rises at least

// Following a guess's sides.
inline constexpr int kCurveDegree = 4;       // a page's curved top or bottom: a quartic offset from its chord
inline constexpr double kCornerShare = 0.1;  // the part of a side at either end left out of fits: rounded corners
inline constexpr double kCurvedCornerShare =
    0.02;                                // the same for a bent page's top and bottom, whose corners are sharp
inline constexpr float kFaint = 0.008f;  // the least rise of the working level across an edge that shows
struct Band {
  double least, share;  // the band's half width: the larger of `least` and `share` of the guess's diagonal
};
inline constexpr Band kBands[] = {{4, 0.05}, {3, 0.015}, {2.5, 0}};  // the bands followed in, round by round
inline constexpr double kLeastSpread = 1.5;                          // the least spread of a fit's weights
inline constexpr double kBandsPerSpread = 3;                         // else the band's width divided by this
inline constexpr double kFewTraced = 0.3;  // a band with fewer points than this share of the samples shows little
inline constexpr float kFaintShare =
    0.2f;  // a side's edge this much fainter than the page's strongest is likely not its edge
inline constexpr double kFirstWider = 2.5;          // the first wider band looked in, as a multiple of the band
inline constexpr double kWidest = 0.25;             // the widest band, share of the guess's diagonal
inline constexpr double kPolarityAway = 3;          // pixels off the sides where the page's polarity is read
inline constexpr double kPolarityAwayShare = 0.03;  // and this share of the diagonal more
inline constexpr int kPolaritySamples = 8;          // pieces of each side read for the polarity
inline constexpr double kOwnRise = 0.05;       // a side whose level falls this much into the page (rises, on a darker
                                               // page) may have the other polarity from the page's
inline constexpr double kOtherWay = 1.5;       // and has it where its edge shows this many times more so, all along it
inline constexpr double kCurveInliers = 0.05;  // a curve fits better with this share more points near it
inline constexpr double kCurveRms = 0.7;       // or with its points this much closer than the line's
inline constexpr int kBowSamples = 32;         // pieces of a side where its bow is measured
inline constexpr double kLeastBow = 0.002;     // a bow below this share of the diagonal (and a pixel) bends nothing
inline constexpr double kMostBowOfHeight = 0.1;  // a side bowing more than this share of the page's height strays
inline constexpr double kMostBow = 0.2;          // the most a bent side bows, as a share of its chord
inline constexpr double kEvenSag = 0.12;         // the least sag of a bent side's middle half, as a share of its bow
inline constexpr double kClearBow = 0.01;        // a bow, as a share of the page's diagonal, that shows a page is bent
inline constexpr double kPictureMargin =
    0.05;                                   // corners may lie this far outside the picture, share of its longer side
inline constexpr double kLeastPage = 0.01;  // the least area of a page, share of the picture's

// Refining at full resolution.
inline constexpr double kRefineReach = 1.5;   // working pixels off the side where the edge is looked for
inline constexpr double kRefineSpread = 0.5;  // the spread of a fit's weights, working pixels
inline constexpr double kLeastBendTolerance =
    0.4;                                         // picture pixels bending points may leave between them and the curve
inline constexpr double kBendTolerance = 0.001;  // or this share of the page's height, the larger

// Ranking pages.
inline constexpr double kFaintestSide = 0.25;    // a page whose faintest side shows less scores less in proportion
inline constexpr int kInsideGrid = 24;           // points across and down where a page's inside is read
inline constexpr double kInsideInset = 0.06;     // the grid's distance from the sides, share of the page
inline constexpr double kOnBorder = 2;           // pixels from the picture's border a side may lie and run along it
inline constexpr double kFillsPicture = 0.5;     // a page ending at the border covers this share of the picture
inline constexpr double kClearSides = 0.8;       // and its other sides show edges along this share at least
inline constexpr double kScorePower = 4;         // how much more the score counts than the area
inline constexpr double kDarkPage = 0.6;         // a page darker than its surroundings counts this much
inline constexpr double kInsideEdges = 4;        // the weight of sharp edges inside against a page
inline constexpr double kLeastScore = 0.5;       // a page whose edges show less clearly is no page
inline constexpr double kSamePlace = 1.5;        // pages whose corners lie this close are one
inline constexpr double kEnclosingScore = 0.85;  // a page around the best scoring at least this share of its score
inline constexpr double kEnclosingArea = 1.2;    // and this many times larger stands for it

// Rescue passes.
inline constexpr double kLeastRunGap = 3;       // pixels of gap a side's edge may have while it runs on
inline constexpr double kRunGap = 0.03;         // or this share of the diagonal, the larger
inline constexpr double kLeastRunOn = 0.05;     // sides run on at least this share of the diagonal to extend a page
inline constexpr double kExtendedScore = 0.85;  // an extended page scores at least this share of the page's
inline constexpr double kStays = 0.01;   // the far corners of an extended page stay within this share of the diagonal
inline constexpr int kTrimSamples = 32;  // places along a side where an edge inside is looked for
inline constexpr double kTrimSpread = 1.5;  // the spread of fits to that edge
inline constexpr double kTrimDepth = 0.12;  // how far inside it is looked for, share of the diagonal

// Lines of text, and a page made from them.
inline constexpr float kInkDepth = 0.25f;         // a mark lies this far below its closed ground, in working levels
inline constexpr double kWordGap = 0.012;         // gaps between letters and words closed, share of the longer side
inline constexpr double kLeastPiece = 0.01;       // the narrowest piece of a line, share of the longer side
inline constexpr double kMostLineHeight = 0.035;  // the highest piece of a line, share of the longer side
inline constexpr int kLeastLineHeight = 2;        // the lowest piece of a line, pixels
inline constexpr double kLineGap = 0.05;          // the widest gap within a line, share of the longer side
inline constexpr double kLineStray = 0.6;         // pieces of one line meet within this share of its height
inline constexpr int kTextLineDegree = 3;         // a line's middle: a cubic offset from its base line
inline constexpr size_t kFamilyLines = 4;  // the long lines nearest the top or bottom whose family gives its curve
inline constexpr int kFamilySamples = 16;  // points along each line fitted into the family of lines
inline constexpr double kLeastLineLength = 0.05;  // the shortest line, share of the longer side
inline constexpr double kFrameClearance = 2;      // lines come no nearer the picture's top or bottom, pixels
inline constexpr double kLeastLineAspect = 5;     // a line is at least this many times longer than high
inline constexpr double kSameBlock = 0.5;         // lines sharing this much of the shorter one's run are one block
inline constexpr double kBlockBreak = 5;          // a gap of this many line pitches ends a block
inline constexpr size_t kLeastTextLines = 6;      // the fewest lines that make a page
inline constexpr double kLongestLines = 0.9;      // the long lines' length: this quantile of the lengths
inline constexpr double kLongLine = 0.8;          // a line this share of it long ends at the right margin
inline constexpr double kEndSpread = 0.3;         // the spread of fits through line ends, in line pitches
inline constexpr double kEndsOutside = 0.1;       // the share of line ends a side may leave outside it
inline constexpr double kTextMargin = 0.5;        // the margin kept round the text, in line pitches
inline constexpr double kManyTextLines = 15;      // this many lines and more show a page fully
inline constexpr double kManyLongLines = 8;       // this many long lines and more show the right side fully
inline constexpr double kPoorLineFit = 0.5;       // marks straying this share of their height fit no line
inline constexpr double kCloseUp = 0.3;           // a close-up's text page covers this share of the picture
inline constexpr double kNoPartOf = 1.25;         // a page this many times a text page's area is no part of it
inline constexpr double kNextLine = 2.0;          // a line this many pitches from one held carries its text on
inline constexpr double kHeldBeyond = 0.5;        // a line's point this many pitches beyond a side still counts as held
inline constexpr int kFollowSamples = 8;          // places along a page's top or bottom checked against the lines
inline constexpr double kMostAcrossLines = 0.5;   // a top or bottom following the lines crosses fewer of their pitches
inline constexpr double kTextTouched = 0.2;       // and one holding no more of it is a page of its own
inline constexpr double kEdgeBand = 0.5;          // the paper's edge beyond the text is traced this many pitches off
inline constexpr double kLeastEdgeBand = 3;       // or this many pixels, the more
inline constexpr double kLeastTracedEdge = 0.6;   // it makes the side where it shows along this share of it
inline constexpr int kPaperSamples = 5;           // places along a side of the text where the paper is followed out
inline constexpr float kPaperEnds = 0.3f;  // the paper ends where the closed level falls this far below the side's
inline constexpr float kPaperEndsBrighter = 0.03f;  // or rises this far above it (a window behind)
inline constexpr double kMostPaperLeftOut = 0.05;   // the paper a flat text page may leave out, shares of its sides
inline constexpr int kLeastTracedSides = 3;         // text with the paper's edge traced on this many sides is a page
inline constexpr double kMostPaperMargin =
    0.15;  // the paper's edge is looked for this far out, share of the longer side

// Doubt: the obvious signs of a wrong outline.
// Long side over short: papers, cards and screens stay well under this, long
// receipts too.
inline constexpr double kMostPaperRatio = 8;
// The least share of the picture a page photographed on purpose covers.
inline constexpr double kLeastPageShare = 0.03;
// A side runs along the picture's edge when both its ends lie this close to
// the same edge, in parts of the picture's side.
inline constexpr double kNearBorder = 0.01;
inline constexpr int kMostSidesAlongBorder = 2;
// Paper in a photo is rarely clipped white over most of its area; a window
// or a lamp is.
inline constexpr int kClipped = 250;
inline constexpr double kMostClipped = 0.5;
// Samples across the outline's box for the brightness, each way.
inline constexpr int kBrightnessSamples = 48;

}  // namespace trellimap::tuning
