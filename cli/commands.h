#pragma once
// The commands of trellimap-cli. Each takes what its command line asked for,
// already parsed and checked, and returns the process exit status: 0 on
// success, 1 when a file could not be read or written, with one line on stderr.
// Detect and flatten end with kNoPage when a picture shows no page.

#include <optional>
#include <string>
#include <vector>

#include "detect/pageoutline.h"
#include "document/mockups.h"
#include "render/flatten.h"
#include "scan/pagefinish.h"
#include "workspace/pointlist.h"

namespace trellimap::cli {

struct NewArguments {
  std::string project;                               // the workspace to write
  std::optional<std::string> pictures[2];            // by side: picture 1, picture 2
  std::optional<std::vector<PointPress>> points[2];  // the presses that place each side's outline
  bool background = false, transparent = false, noAuto = false;
};

struct RenderArguments {
  std::string input;                  // the project to render
  std::optional<std::string> output;  // the project to write; none when only result pictures are wanted
  bool smooth = false, perspective = false;
  std::optional<std::string> results[2];  // result 1, result 2
};

struct MockupArguments {
  std::string templateProject;         // its picture 2 and the outline on it
  std::vector<std::string> designs;    // each mapped whole into that outline
  std::string output;                  // a file for one design, else a folder
  std::string format = kMockupFormat;  // of the files in the folder
  int jobs = 0;                        // designs at once; 0: one per core
};

struct InfoArguments {
  std::string file;  // a picture, or a project by its extension
  bool json = false;
};

struct ConvertArguments {
  std::string input, output;
};

struct DemoArguments {
  std::string project;
  bool scan = false;  // the scanning demonstration
  std::string photo;  // where its photographed letter is also written as a picture; none: nowhere
};

struct DetectArguments {
  std::string picture;
  bool json = false;
  PageChoice page = PageChoice::Nearest;  // of an open book's two facing pages
};

struct FlattenArguments {
  std::vector<std::string> inputs;                // the photos
  std::string output;                             // a file for one photo, else a folder
  std::optional<std::vector<PointPress>> points;  // the page's outline on every photo; none: found in each
  PageSize size;                                  // of the flat page
  bool exact = false;                             // the exact renderer, without resampling
  std::string format = "png";                     // of the files in the folder
  int jobs = 0;                                   // photos at once; 0: one per core
  bool skipDoubtful = false;                      // a page found in doubt is left out
  PageChoice page = PageChoice::Nearest;          // of an open book's two facing pages
  PageFinish finish;                              // of every flat page
  std::string ocr;                                // languages the text is read in for a PDF; none: not read
  std::optional<int> quality;                     // of a PDF's JPEG pages; none: kPdfJpegQuality
};

// The exit status when no page is found in a picture.
inline constexpr int kNoPage = 3;
// The exit status when the page found is doubtful.
inline constexpr int kDoubtful = 4;

int New(const NewArguments& options);
int Render(const RenderArguments& options);
int Mockup(const MockupArguments& options);
int Info(const InfoArguments& options);
int Convert(const ConvertArguments& options);
int Demo(const DemoArguments& options);
int Detect(const DetectArguments& options);
int Flatten(const FlattenArguments& options);

// Whether `presses` place a complete outline (four corners), as flatten's points must.
bool PlacesAnOutline(const std::vector<PointPress>& presses);

}  // namespace trellimap::cli
