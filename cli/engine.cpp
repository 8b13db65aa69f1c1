// trellimap-cli-engine: the work of trellimap-cli, which hands every command
// to it. It links the core and all it needs; started by hand it is the same
// tool, only slower to start.

#include "cli/options.h"
#include "codecs/formatregistry.h"
#include "foundation/freedmemory.h"
#include "render/flatten.h"
#include "workspace/pointlist.h"

int main(int argc, char** argv) {
  using namespace trellimap;
  using namespace trellimap::cli;
  KeepFreedMemory();
  const Actions work{
      .parsePoints = ParsePointList,
      .placesAnOutline = PlacesAnOutline,
      .knowsFormat = [](const std::string& extension) { return FindExtension(extension) != nullptr; },
      .parsePageSize = ParsePageSize,
      .runNew = New,
      .runRender = Render,
      .runMockup = Mockup,
      .runInfo = Info,
      .runConvert = Convert,
      .runDemo = Demo,
      .runDetect = Detect,
      .runFlatten = Flatten,
  };
  return RunCommandLine(argc, argv, work);
}
