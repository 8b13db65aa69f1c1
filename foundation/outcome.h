#pragma once
// What became of work on a file: done, stopped on request, or failed, with
// why in the user's terms (a FileProblem) and the failure in the words of
// whatever failed (a decoder's reason, an error's text).

#include <string>
#include <utility>

#include "foundation/fileproblem.h"

namespace trellimap {

struct Outcome {
  enum class Kind { Done, Stopped, Failed };

  Kind kind = Kind::Done;
  FileProblem problem = FileProblem::None;  // with Failed
  std::string detail;                       // with Failed

  static Outcome Done() { return {}; }
  static Outcome Stopped() { return {Kind::Stopped, FileProblem::None, {}}; }
  static Outcome Failed(FileProblem problem, std::string detail) { return {Kind::Failed, problem, std::move(detail)}; }

  bool done() const { return kind == Kind::Done; }
  bool stopped() const { return kind == Kind::Stopped; }
  bool failed() const { return kind == Kind::Failed; }
};

}  // namespace trellimap
