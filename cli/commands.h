#pragma once
// The commands of trellimap-cli. Each takes what its command line asked for,
// already parsed and checked, and returns the process exit status: 0 on
// success, 1 when a file could not be read or written, with one line on stderr.
// Detect and flatten end with kNoPage when a picture shows no page.

#include <optional>
#include <string>
#include <vector>

#include "render/flatten.h"
#include "workspace/pointlist.h"

namespace trellimap::cli {

struct NewOptions {
  std::string project;                               // the workspace to write
  std::optional<std::string> pictures[2];            // by side: picture 1, picture 2
  std::optional<std::vector<PointPress>> points[2];  // the presses that place each side's outline
  bool background = false, transparent = false, noAuto = false;
};

struct RenderOptions {
  std::string input;                  // the project to render
  std::optional<std::string> output;  // the project to write; none when only result pictures are wanted
  bool smooth = false, perspective = false;
  std::optional<std::string> results[2];  // result 1, result 2
};

struct MockupOptions {
  std::string templateProject;       // its picture 2 and the outline on it
  std::vector<std::string> designs;  // each mapped whole into that outline
  std::string output;                // a file for one design, else a folder
  std::string format = "png";        // of the files in the folder
  int jobs = 0;                      // designs at once; 0: one per core
};

struct InfoOptions {
  std::string file;  // a picture, or a project by its extension
  bool json = false;
};

struct ConvertOptions {
  std::string input, output;
};

struct DemoOptions {
  std::string project;
};

struct DetectOptions {
  std::string picture;
  bool json = false;
};

struct FlattenOptions {
  std::vector<std::string> inputs;                // the photos
  std::string output;                             // a file for one photo, else a folder
  std::optional<std::vector<PointPress>> points;  // the page's outline on every photo; none: found in each
  PageSize size;                                  // of the flat page
  bool exact = false;                             // the exact renderer, without resampling
  std::string format = "png";                     // of the files in the folder
  int jobs = 0;                                   // photos at once; 0: one per core
};

// The exit status when no page is found in a picture.
inline constexpr int kNoPage = 3;

int New(const NewOptions& options);
int Render(const RenderOptions& options);
int Mockup(const MockupOptions& options);
int Info(const InfoOptions& options);
int Convert(const ConvertOptions& options);
int Demo(const DemoOptions& options);
int Detect(const DetectOptions& options);
int Flatten(const FlattenOptions& options);

// Whether `presses` place a complete outline (four corners), as flatten's points must.
bool PlacesAnOutline(const std::vector<PointPress>& presses);

}  // namespace trellimap::cli
