#include <cstdio>

#include "cli/batch.h"
#include "cli/commands.h"
#include "cli/files.h"
#include "document/mockups.h"
#include "document/outputfiles.h"

namespace trellimap::cli {

int Mockup(const MockupArguments& options) {
  ProjectDocument doc;
  if (const int status = OpenProject(doc, options.templateProject)) return status;
  switch (CheckMockupTemplate(doc.workspace())) {
    case TemplateProblem::NoPicture:
      return Fail(options.templateProject, "the project has no picture 2");
    case TemplateProblem::OutlineIncomplete:
      return Fail(options.templateProject, "the outline on picture 2 needs four corners");
    case TemplateProblem::None:
      break;
  }
  const MockupTemplate from(doc.workspace());
  if (const std::string warning = from.Warning(); !warning.empty())
    std::fprintf(stderr, "trellimap-cli: %s: %s\n", options.templateProject.c_str(), warning.c_str());
  if (const int status = MakeOutputFolder(options.designs, options.output)) return status;

  const std::vector<std::string> outputs = OutputNames(options.designs, options.output, options.format);
  return RunBatch("mockup", options.designs.size(), options.jobs, [&](size_t i, int threads) {
    const MockupOutcome made = from.Make(options.designs[i], outputs[i], threads, nullptr);
    switch (made.kind) {
      case MockupOutcome::Kind::NotRead:
        return ReadFailed(options.designs[i], made.outcome);
      case MockupOutcome::Kind::NoMemory:
        return Fail(outputs[i], "no memory for the mockup");
      case MockupOutcome::Kind::NotWritten:
        return Fail(outputs[i], made.outcome.detail);
      case MockupOutcome::Kind::Written:
      case MockupOutcome::Kind::Stopped:  // nothing stops the command line
        break;
    }
    return 0;
  });
}

}  // namespace trellimap::cli
