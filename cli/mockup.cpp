#include "render/mockup.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "cli/batch.h"
#include "cli/commands.h"
#include "cli/files.h"
#include "codecs/pictureopening.h"
#include "image/depthpromotion.h"
#include "image/pixmill3.h"
#include "render/perspectivewarnings.h"

namespace trellimap::cli {

int Mockup(const MockupArguments& options) {
  ProjectDocument doc;
  if (const int status = OpenProject(doc, options.templateProject)) return status;
  Workspace& ws = doc.workspace();
  const ConstSideRef place = std::as_const(ws).Side(1);
  if (place.picture.poi == nullptr) return Fail(options.templateProject, "the project has no picture 2");
  if (place.corners != 4) return Fail(options.templateProject, "the outline on picture 2 needs four corners");
  if (const std::string warning = PerspectiveWarning(place.outline, 2); !warning.empty())
    std::fprintf(stderr, "trellimap-cli: %s: %s\n", options.templateProject.c_str(), warning.c_str());
  if (const int status = MakeOutputFolder(options.designs, options.output)) return status;
  DepthUpTo(24, &ws.Side(1).picture);

  const std::vector<std::string> outputs = OutputNames(options.designs, options.output, options.format);
  std::mutex reading;  // pictures are read one at a time: reading is short, and reports its failures itself
  // Each design owns its picture, the template outline's copy and its result;
  // the template picture is only read while they run.
  return RunBatch("mockup", options.designs.size(), options.jobs, [&](size_t i, int threads) {
    TDynaArray outline(sizeof(TOutlinePoint));
    if (!CopyOutline(place.outline, outline)) return 1;  // reported by the list
    dib design{}, result{};
    bool read;
    {
      const std::lock_guard<std::mutex> lock(reading);
      read = TryToOpenFile(&design, options.designs[i]);
    }
    if (read) {
      DepthUpTo(24, &design);
      RenderMockup(design, place.picture, outline, result, threads);
    }
    const int status = !read                   ? 1
                       : result.poi == nullptr ? Fail(outputs[i], "no memory for the mockup")
                                               : WritePicture(result, outputs[i]);
    ReleaseDib(&design);
    ReleaseDib(&result);
    return status;
  });
}

}  // namespace trellimap::cli
