#pragma once
// Mockups from a template: designs put whole into the outline on picture 2 of
// a workspace (render/mockup.h), each read from its own file and written to a
// file of its own. The command line and the window both make them here, so
// that for the same template, designs and files they write the same bytes.

#include <mutex>
#include <string>
#include <vector>

#include "foundation/outcome.h"
#include "foundation/outlinepoint.h"
#include "foundation/progress.h"
#include "image/dib.h"
#include "workspace/workspace.h"

namespace trellimap {

// The format mockups are written in unless another is asked for.
inline constexpr const char* kMockupFormat = "png";

// What keeps a workspace from taking designs.
enum class TemplateProblem { None, NoPicture, OutlineIncomplete };

// Whether picture 2 of `ws` and the outline on it can take designs: the
// outline needs its four corners.
TemplateProblem CheckMockupTemplate(const Workspace& ws);

// What became of one design.
struct MockupOutcome {
  enum class Kind { Written, Stopped, NotRead, NoMemory, NotWritten };
  Kind kind = Kind::Written;
  Outcome outcome;  // the reading's with NotRead, the writing's with NotWritten
};

// Picture 2 of a workspace and the outline on it, taken to put designs into.
class MockupTemplate {
 public:
  // Takes picture 2 of `ws`, which passes CheckMockupTemplate, and a copy of
  // its outline. A 24-bit picture is borrowed, and must stay unchanged while
  // mockups are made; one of fewer bits is promoted in a copy of its own.
  explicit MockupTemplate(const Workspace& ws);
  ~MockupTemplate();
  MockupTemplate(const MockupTemplate&) = delete;
  MockupTemplate& operator=(const MockupTemplate&) = delete;

  // The warning that the outline has no perspective view, or empty.
  std::string Warning() const;

  // Reads the picture file `design`, puts it into the template on `threads`
  // threads (0: one per core) and writes the mockup to `output` in the format
  // its extension selects (the default one added when it has none). Any
  // number may run at once. `progress`, when given, hears how far it got and
  // may stop it; a mockup that was stopped or failed leaves `output` alone.
  MockupOutcome Make(const std::string& design, const std::string& output, int threads, Progress* progress) const;

 private:
  dib promoted_{};      // picture 2 at 24 bits, when it has fewer
  const dib* picture_;  // what designs are put on: picture 2 itself or promoted_
  TDynaArray outline_{sizeof(TOutlinePoint)};
  mutable std::mutex reading_;  // designs are read one at a time: reading is short, rendering is not
};

// Makes the mockups of `designs` into `outputs` (one for each) one after
// another, each on every core, telling `progress` how far they got. Told to
// stop, it stops before the next design or within the one it is making. The
// outcome of each design it came to, in their order.
std::vector<MockupOutcome> MakeMockups(const MockupTemplate& from, const std::vector<std::string>& designs,
                                       const std::vector<std::string>& outputs, Progress& progress);

// What the user is told of the design `design` whose mockup for `output` was
// not made, naming the file that failed, in the language in force; empty for
// a mockup written or stopped.
std::string MockupFailure(const MockupOutcome& made, const std::string& design, const std::string& output);

}  // namespace trellimap
