#include "cli/commands.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "codecs/pictureopening.h"
#include "codecs/picturewriter.h"
#include "foundation/ioerror.h"
#include "image/pictureloading.h"
#include "image/pixmill3.h"
#include "persist/projectfile.h"
#include "render/chosenrenderer.h"
#include "warp/renderer.h"
#include "workspace/commandline.h"
#include "render/demo.h"
#include "workspace/pointlist.h"

namespace trellimap::cli {
namespace {

const std::map<std::string, std::string> kUsage = {
    {"new",
     "trellimap-cli new OUT.gip [--picture1 FILE] [--picture2 FILE] [--points1 LIST] [--points2 LIST]\n"
     "                  [--background] [--transparent] [--no-auto]\n"
     "  Saves a new workspace: pictures loaded and outlines placed as the window does.\n"
     "  LIST is \"x,y x,y ...\" in picture pixels; a point ending in \",i\" is an intermediate\n"
     "  point (a right-button press). Nothing is rendered.\n"},
    {"render",
     "trellimap-cli render IN.gip OUT.gip [--smooth] [--result1 FILE] [--result2 FILE]\n"
     "  Renders both directions of a project with its stored options, saves it as OUT.gip\n"
     "  and, when asked, the results as pictures (the extension selects the format).\n"
     "  --smooth resamples: no holes, antialiased edges, area-averaged where minified.\n"},
    {"info",
     "trellimap-cli info FILE [--json]\n"
     "  Describes a picture (size, depth as read and after promotion, pixel checksum) or a\n"
     "  project (points, corner counters, pictures, options). --json prints the same as JSON.\n"
     "  Checksums are 64-bit FNV-1a over the pixel rows in memory order.\n"},
    {"convert",
     "trellimap-cli convert IN OUT\n"
     "  Reads a picture as the window loads it and writes it as \"Save picture...\" does.\n"},
    {"demo",
     "trellimap-cli demo OUT.gip\n"
     "  Writes a demonstration project with pictures drawn by the program and both results.\n"},
};

int Fail(const std::string& file, const std::string& reason) {
  std::fprintf(stderr, "trellimap-cli: %s: %s\n", file.c_str(), reason.c_str());
  return 1;
}

int UsageError(const std::string& command, const std::string& problem) {
  std::fprintf(stderr, "trellimap-cli %s: %s\n%s", command.c_str(), problem.c_str(), Usage(command).c_str());
  return 2;
}

bool WantsHelp(const Arguments& args) {
  for (const std::string& a : args)
    if (a == "--help" || a == "-h") return true;
  return false;
}

// Splits arguments into positional ones and options (parsed by CLI11);
// options in `withValue` take a value. Only the options given are set. False,
// with the parser's reason, for an unknown option or a missing value. "--"
// ends the options, for files whose names begin with "-".
bool ParseOptions(const Arguments& args, const std::vector<std::string>& flags,
                  const std::vector<std::string>& withValue, Arguments* positional,
                  std::map<std::string, std::string>* options, std::string* problem) {
  CLI::App parser;
  parser.set_help_flag();  // each command prints its own usage for --help
  std::map<std::string, std::string> values;
  std::map<std::string, bool> set;
  for (const std::string& flag : flags) parser.add_flag(flag, set[flag]);
  for (const std::string& option : withValue) parser.add_option(option, values[option]);
  parser.add_option("files", *positional);
  std::vector<std::string> reversed(args.rbegin(), args.rend());  // the parser takes the last first
  try {
    parser.parse(reversed);
  } catch (const CLI::ParseError& error) {
    *problem = error.what();
    return false;
  }
  for (const auto& [flag, on] : set)
    if (on) (*options)[flag] = "";
  for (const std::string& option : withValue)
    if (parser.count(option) > 0) (*options)[option] = values[option];
  return true;
}

int SaveProject(Workspace& ws, const std::string& path) {
  try {
    if (SaveProjectfile(ws, path) == ProjectStatus::CannotCreate) return Fail(path, "the file could not be created");
  } catch (const InOutError& e) {
    return Fail(path, e.what());
  }
  return 0;
}

int OpenProject(Workspace& ws, const std::string& path) {
  try {
    if (OpenProjectfile(ws, path) == ProjectStatus::CannotOpen) return Fail(path, "the file could not be opened");
  } catch (const InOutError& e) {
    return Fail(path, e.what());
  }
  return 0;
}

int WritePicture(const dib& picture, const std::string& path) {
  std::string reason;
  return WritePictureFile(picture, WithDefaultExtension(path), &reason) ? 0 : Fail(path, reason);
}

uint64_t Checksum(const dib& d) {
  uint64_t hash = 0xcbf29ce484222325ull;
  const size_t bytes = d.poi ? static_cast<size_t>(d.bytew) * static_cast<size_t>(DibHeight(&d)) : 0;
  for (size_t i = 0; i < bytes; ++i) hash = (hash ^ d.poi[i]) * 0x100000001b3ull;
  return hash;
}

std::string Hex(uint64_t v) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
  return text;
}

// The same facts as "key: value" lines or as JSON. In text, a named group is
// a heading with its lines indented under it, an item of a list starts with
// "-", and the outermost group has no heading. JSON keeps the order of the
// keys, and text that is not valid UTF-8 (a file name) comes out with
// replacement characters.
class Report {
 public:
  explicit Report(bool json) : json_(json) {}
  void Text(const std::string& key, const std::string& v) {
    if (json_)
      Add(key, v);
    else
      Line(key, v);
  }
  void Number(const std::string& key, int64_t v) {
    if (json_)
      Add(key, v);
    else
      Line(key, std::to_string(v));
  }
  void Begin(const std::string& key, bool list) {
    if (json_) {
      groups_.push_back(list ? Json::array() : Json::object());
      keys_.push_back(key);
      return;
    }
    const bool item = !lists_.empty() && lists_.back();
    if (!key.empty())
      out_ << std::string(indent_, ' ') << key << ":\n";
    else if (item)
      out_ << std::string(indent_, ' ') << "-\n";
    const int step = lists_.empty() ? 0 : 2;
    lists_.push_back(list);
    steps_.push_back(step);
    indent_ += step;
  }
  void End() {
    if (json_) {
      Json group = std::move(groups_.back());
      groups_.pop_back();
      const std::string key = keys_.back();
      keys_.pop_back();
      if (groups_.empty())
        root_ = std::move(group);
      else
        Add(key, std::move(group));
      return;
    }
    lists_.pop_back();
    indent_ -= steps_.back();
    steps_.pop_back();
  }
  std::string str() const {
    return json_ ? root_.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n" : out_.str();
  }

 private:
  using Json = nlohmann::ordered_json;

  template <class V>
  void Add(const std::string& key, V&& value) {
    Json& group = groups_.back();
    if (group.is_array())
      group.push_back(std::forward<V>(value));
    else
      group[key] = std::forward<V>(value);
  }
  void Line(const std::string& key, const std::string& text) {
    out_ << std::string(indent_, ' ') << key << ": " << text << "\n";
  }

  bool json_;
  // JSON: the groups begun and not yet ended, with their keys, and the finished whole.
  std::vector<Json> groups_;
  std::vector<std::string> keys_;
  Json root_;
  // Text.
  int indent_ = 0;
  std::vector<bool> lists_;
  std::vector<int> steps_;
  std::ostringstream out_;
};

void DescribePicture(Report& r, const std::string& key, const dib& d) {
  r.Begin(key, false);
  r.Number("width", DibWidth(&d));
  r.Number("height", DibHeight(&d));
  r.Number("bits", DibBitCount(&d));
  r.Text("checksum", Hex(Checksum(d)));
  r.End();
}

void DescribePoints(Report& r, const std::string& key, TDynaArray& list) {
  r.Begin(key, true);
  list.First();
  while (list.WhileNext()) {
    const auto* p = static_cast<const TOutlinePoint*>(list.aobj);
    r.Begin("", false);
    r.Number("x", p->x);
    r.Number("y", p->y);
    r.Number("corner", p->iscorner ? 1 : 0);
    r.End();
  }
  r.End();
}

}  // namespace

std::string Usage(const std::string& command) {
  const auto it = kUsage.find(command);
  if (it != kUsage.end()) return "Usage: " + it->second;
  std::string all = "Usage: trellimap-cli COMMAND ... (COMMAND --help for details)\n\n";
  for (const char* name : {"new", "render", "info", "convert", "demo"}) all += kUsage.at(name) + "\n";
  return all;
}

int New(const Arguments& args) {
  if (WantsHelp(args)) return std::printf("%s", Usage("new").c_str()), 0;
  Arguments positional;
  std::map<std::string, std::string> options;
  std::string problem;
  if (!ParseOptions(args, {"--background", "--transparent", "--no-auto"},
                    {"--picture1", "--picture2", "--points1", "--points2"}, &positional, &options, &problem))
    return UsageError("new", problem);
  if (positional.size() != 1) return UsageError("new", "give one project file to write");
  Workspace ws;
  for (const auto& [option, field] : {std::pair{"--picture1", &ws.di1}, {"--picture2", &ws.di2}})
    if (options.count(option) && !TryToOpenFile(field, options[option])) return 1;  // the reason is printed already
  for (const auto& [option, list, corners] :
       {std::tuple{"--points1", &ws.punkte1, &ws.ecken1}, {"--points2", &ws.punkte2, &ws.ecken2}}) {
    if (!options.count(option)) continue;
    const auto points = ParsePointList(options[option]);
    if (!points) return UsageError("new", std::string(option) + " is not a list of x,y points");
    for (const PointPress& p : *points) PressOnOutline(*list, *corners, p.button, p.x, p.y);
  }
  ws.showoriginal = options.count("--background") > 0;
  ws.transparent = options.count("--transparent") > 0;
  ws.renderautomatically = options.count("--no-auto") == 0;
  return SaveProject(ws, positional[0]);
}

int Render(const Arguments& args) {
  if (WantsHelp(args)) return std::printf("%s", Usage("render").c_str()), 0;
  Arguments positional;
  std::map<std::string, std::string> options;
  std::string problem;
  if (!ParseOptions(args, {"--smooth"}, {"--result1", "--result2"}, &positional, &options, &problem))
    return UsageError("render", problem);
  if (positional.size() != 2) return UsageError("render", "give the project to read and the one to write");
  Workspace ws;
  if (const int status = OpenProject(ws, positional[0])) return status;
  if (ws.ecken1 != 4 || ws.ecken2 != 4) return Fail(positional[0], "both outlines need four corners");
  ws.smooth = options.count("--smooth") > 0;
  RenderAsChosen(ws, WarpDirection::OneIntoTwo);
  RenderAsChosen(ws, WarpDirection::TwoIntoOne);
  if (const int status = SaveProject(ws, positional[1])) return status;
  if (options.count("--result1"))
    if (const int status = WritePicture(ws.di3, options["--result1"])) return status;
  if (options.count("--result2"))
    if (const int status = WritePicture(ws.di4, options["--result2"])) return status;
  return 0;
}

int Info(const Arguments& args) {
  if (WantsHelp(args)) return std::printf("%s", Usage("info").c_str()), 0;
  Arguments positional;
  std::map<std::string, std::string> options;
  std::string problem;
  if (!ParseOptions(args, {"--json"}, {}, &positional, &options, &problem)) return UsageError("info", problem);
  if (positional.size() != 1) return UsageError("info", "give one file");
  const std::string& file = positional[0];
  Report r(options.count("--json") > 0);
  r.Begin("", false);
  r.Text("file", file);
  if (HasProjectExtension(file)) {
    Workspace ws;
    if (const int status = OpenProject(ws, file)) return status;
    r.Text("kind", "project");
    DescribePoints(r, "points1", ws.punkte1);
    DescribePoints(r, "points2", ws.punkte2);
    r.Number("corners1", ws.ecken1);
    r.Number("corners2", ws.ecken2);
    DescribePicture(r, "picture1", ws.di1);
    DescribePicture(r, "picture2", ws.di2);
    DescribePicture(r, "result1", ws.di3);
    DescribePicture(r, "result2", ws.di4);
    r.Number("showoriginal", ws.showoriginal);
    r.Number("transparent", ws.transparent);
    r.Number("renderautomatically", ws.renderautomatically);
  } else {
    dib picture;
    OpenDib(&picture, file.c_str(), 0, nullptr);
    if (picture.poi == nullptr) return 1;  // the reason is printed already
    r.Text("kind", "picture");
    r.Number("width", DibWidth(&picture));
    r.Number("height", DibHeight(&picture));
    r.Number("bits", DibBitCount(&picture));
    DepthUpTo(24, &picture);
    r.Number("bits_promoted", DibBitCount(&picture));
    r.Text("checksum", Hex(Checksum(picture)));
    ReleaseDib(&picture);
  }
  r.End();
  std::fputs(r.str().c_str(), stdout);
  return 0;
}

int Convert(const Arguments& args) {
  if (WantsHelp(args)) return std::printf("%s", Usage("convert").c_str()), 0;
  if (args.size() != 2) return UsageError("convert", "give the picture to read and the one to write");
  Workspace ws;
  if (!TryToOpenFile(&ws.di1, args[0])) return 1;  // the reason is printed already
  return WritePicture(ws.di1, args[1]);
}

int Demo(const Arguments& args) {
  if (WantsHelp(args)) return std::printf("%s", Usage("demo").c_str()), 0;
  if (args.size() != 1) return UsageError("demo", "give one project file to write");
  Workspace ws;
  BuildDemoWorkspace(ws);
  return SaveProject(ws, args[0]);
}

}  // namespace trellimap::cli
