#pragma once
// The stages of finding a page, for detect/ alone, each of which can be run
// and tested on its own: first guesses of where a page lies, following each
// guess's sides along the page's edge, ranking the pages so found, rescue
// passes that mend a page cut short or grown round a shape beside it, and
// refining the chosen page at full resolution.

#include <array>
#include <optional>
#include <vector>

#include "detect/linefamily.h"
#include "detect/pageoutline.h"
#include "detect/roughquads.h"
#include "detect/sidecurve.h"
#include "detect/textlines.h"
#include "detect/workingcopy.h"

namespace trellimap {

// A page as found: four sides (side i from corner i to corner i + 1, clockwise)
// and where they meet.
struct Page {
  std::array<SideCurve, 4> sides;
  std::array<Vec, 4> corners;
  int polarity = 1;  // 1: the page lighter than its surroundings, -1: darker
  // Per side, 1 where the level rises into the page across it, -1 where it
  // falls: the page's polarity, but for a side that clearly shows the other
  // (a sheet held up before a bright window is darker than the glass above it).
  std::array<int, 4> rising{1, 1, 1, 1};
  double score = 0;  // 0 to 1: how clearly its edges show (Score)
};

// --- A page's shape, which every stage reads (pageshape.cpp).

double Diagonal(const Page& page);  // from corner 1 to corner 3
Quad Corners(const Page& page);
// The page as it lies on the working copy of `rows` rows turned a quarter
// clockwise (TurnedQuarter), and a page on such a turned copy back on the copy.
Page TurnedQuarter(const Page& page, int rows);
Page TurnedBack(const Page& page, int rows);

// The stretch of a side between its corners, less the ends that fits leave out.
struct Stretch {
  double t0, t1;
};
Stretch Inner(const SideCurve& side, const Vec& from, const Vec& to);

// Meets each side with the one before it, setting the corners; false where two do not meet.
bool Meets(Page& page);
// How far side i bows between its corners into the page (negative: out of it).
double SignedBow(const Page& page, int i);
// The pair of opposite sides (0: sides 0 and 2, 1: sides 1 and 3) that bow as
// the top and bottom of a bent page do, the one that bows most; -1 for none.
int BentPair(const Page& page);
// Whether the pair's sides bow evenly, sagging through their middle half.
bool BowsEvenly(const Page& page, int pair);
// How much more side i runs across the picture than down it.
double Horizontal(const Page& page, int i);
// The pair of opposite sides that runs more across the picture than down it.
int AcrossPair(const Page& page);
// Whether `p` lies inside the page's corners (clockwise).
bool Holds(const Page& page, const Vec& p);
// Whether the page may be one: corners near the picture of `size`, convex,
// clockwise, and not too small.
bool Plausible(const Page& page, cv::Size size);

// A straight line, or a curve where that follows the points clearly better.
std::optional<SideCurve> FitEither(const SideCurve& guess, const std::vector<Vec>& points, double spread);
// Makes every side but those of the bent pair straight, refitted from `points`
// (each side's edge points), and meets the sides again.
void StraightenAllBut(Page& page, int pair, const std::array<std::vector<Vec>, 4>& points, double spread);

// --- First guesses (guesses.cpp).

// The rough quads worth following, the likeliest first.
std::vector<Quad> FirstGuesses(const WorkingCopy& copy);
// The quad grown by `factor` about its centre.
Quad Grown(const Quad& quad, double factor);
// Guesses around blocks of text: each guess darker inside than around it
// grown by each of the text growths, in the order of `guesses`.
std::vector<Quad> AroundText(const WorkingCopy& copy, const std::vector<Quad>& guesses);
// The quad around two parts of one page that a dark band across it kept
// apart; nothing for a pair that is not two such parts.
std::optional<Quad> Joined(const Page& a, const Page& b);

// --- Following a guess (following.cpp).

// 1 where the level is higher inside the quad than around it, a little way
// off its sides (a guess may lie a few pixels off the edge); else -1.
int PolarityOf(const WorkingCopy& copy, const Quad& quad);
// Per side of the quad, the polarity the page's edge there has: `polarity`
// unless the level clearly falls into the quad across that side where
// `polarity` has it rise, or the other way round.
std::array<int, 4> RisingOf(const WorkingCopy& copy, const Quad& quad, int polarity);
// The page around a guess: each side's edge traced in a band that narrows
// round by round, fitted and met with its neighbours, and scored; nothing
// where the guess leads to no plausible page. A side RisingOf tells the other
// polarity is traced so where its edge hardly shows the page's way.
std::optional<Page> Follow(const WorkingCopy& copy, const Quad& quad);

// --- Ranking (ranking.cpp).

// Sets the page's score: the share of its sides along which its edges show,
// the faintest side counting most when it hardly shows.
void Score(const WorkingCopy& copy, Page& page);
// What a grid over the page's inside, clear of its sides, shows: the share
// of its points where the working copy has a sharp edge, and the mean
// lightness once text is closed away (0 black to 1 white).
struct Inside {
  double edges = 0, light = 0;
};
Inside InsideOf(const WorkingCopy& copy, const Page& page);
// How likely the page is the one the picture shows.
double Rank(const WorkingCopy& copy, const Page& page);
// Whether every corner of `inner` lies inside `outer` (both clockwise).
bool Encloses(const Page& outer, const Page& inner);
// Adds the page to `pages`, or where one there has nearly the same corners,
// keeps the better scoring of the two in its place.
void Keep(std::vector<Page>& pages, const Page& page);
// The page the working copy likeliest shows, of `pages`; nothing where
// none shows its edges clearly.
std::optional<Page> Choose(const WorkingCopy& copy, const std::vector<Page>& pages);

// --- Rescue passes (rescues.cpp).

// The page grown past sides that cut it short, where the sides next to one
// side run on past their corners with the page's edge.
Page Extended(const WorkingCopy& copy, Page page);
// The page without a light shape that it touches along one side.
Page Trimmed(const WorkingCopy& copy, Page page);

// --- A page from its lines of text (pagefromtext.cpp), for close-ups and sheets
// whose edges cut their text off or hardly show.

// The blocks of text side by side (facing pages), left to right: lines that
// run across the same stretch, top to bottom without a gap of many lines;
// blocks of few lines are left out.
std::vector<std::vector<TextLine>> TextBlocks(const std::vector<TextLine>& lines);
// The block `choice` asks for on a picture `width` wide (the one nearest its
// middle, or the leftmost or rightmost); nothing without blocks.
const std::vector<TextLine>* ChooseBlock(const std::vector<std::vector<TextLine>>& blocks, PageChoice choice,
                                         double width);
// The page around a block of lines, with the block and what it tells of the
// lines: sides 1 and 3 curves of the family of the long lines nearest them,
// just past the highest and lowest marks, sides 2 and 4 straight through the
// lines' left ends and the long lines' right ends, all a margin out from the
// text and as much again as `beyond` says for each side; scored by how many
// lines and long lines there are and how closely they follow their curves.
// Nothing for too few lines.
struct TextPage {
  Page page;
  std::vector<TextLine> lines;
  LineFamily upper, lower;               // the families of the long lines nearest the top and the bottom
  double pitch = 0;                      // the typical distance between lines
  int edgesTraced = 0;                   // sides that are the paper's edge, traced beyond the text
  std::array<double, 4> paperRunsOut{};  // how far the paper ran on past each side of the text out of the
                                         // picture, or 0 (a flat page's side is then taken out as far)
};
std::optional<TextPage> PageFromText(const std::vector<TextLine>& block, const std::array<double, 4>& beyond = {});
// The page the chosen block of text makes, each side moved out to the
// paper's edge where that shows a little way beyond the text, and a flat
// page's out to the picture's border where the paper runs on out of it.
std::optional<TextPage> FindTextPage(const WorkingCopy& copy, PageChoice choice);
// The page of text running across the picture as FindTextPage finds it, and
// where none does, the page of text running down it (a page photographed
// sideways), found and given on the copy turned a quarter clockwise,
// `turned`, which is made only where some text makes a page there. The dark
// marks are made once for both.
struct TextBothWays {
  std::optional<TextPage> across, down;
  WorkingCopy turned;
};
TextBothWays FindTextBothWays(const WorkingCopy& copy, PageChoice choice);
// How much larger the page would be with the paper that runs on past its
// sides out of the picture: the shares of its height and width, added.
double PaperLeftOut(const TextPage& text);
// Whether the text's page fills much of the picture, as a close-up's does.
bool CloseUp(const WorkingCopy& copy, const TextPage& text);
// Whether `page` cuts through the text: it holds the middles of more than a
// few of its lines, and another line's middle lies within a couple of line
// pitches of those.
bool CutsText(const TextPage& text, const Page& page);
// Whether the text page is to be taken over the page found from `edges`: one
// that cuts through its text (CutsText), whatever the text's size; where the
// edges found nothing, text with the paper's edge traced on most sides; and
// a close-up's text (large), where the edges found nothing, or a page whose
// top and bottom run across its lines.
bool TextTellsMore(const WorkingCopy& copy, const TextPage& text, const std::optional<Page>& edges);

// --- Refining (refining.cpp).

// The side scaled by `factor` about the picture's origin.
SideCurve Scaled(const SideCurve& side, double factor);
// The page's sides taken to the full picture (`scale`: working pixels per
// picture pixel) and fitted again to the edge found there, sub-pixel.
Page AtFullResolution(const FullPicture& picture, double scale, const Page& found);
// Turns the page so that side 1 is its top as the picture shows it, or, where
// its top and bottom bow (an open book), so that those are sides 1 and 3.
void TurnUpright(Page& page);
// The page as an outline: corners and the points that bend sides 1 and 3.
PageOutline Outline(const Page& page);

}  // namespace trellimap
