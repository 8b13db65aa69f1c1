#pragma once
// The commands of trellimap-cli. Each takes what its command line asked for,
// already parsed and checked, and returns the process exit status: 0 on
// success, 1 when a file could not be read or written, with one line on stderr.

#include <optional>
#include <string>
#include <vector>

#include "workspace/pointlist.h"

namespace trellimap::cli {

struct NewOptions {
  std::string project;  // the workspace to write
  std::optional<std::string> picture1, picture2;
  std::optional<std::vector<PointPress>> points1, points2;  // the presses that place each outline
  bool background = false, transparent = false, noAuto = false;
};

struct RenderOptions {
  std::string input, output;  // projects
  bool smooth = false;
  std::optional<std::string> result1, result2;
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

int New(const NewOptions& options);
int Render(const RenderOptions& options);
int Info(const InfoOptions& options);
int Convert(const ConvertOptions& options);
int Demo(const DemoOptions& options);

}  // namespace trellimap::cli
