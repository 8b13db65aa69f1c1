#include "cli/commands.h"

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/files.h"
#include "codecs/pictureopening.h"
#include "document/projectdocument.h"
#include "document/scandemo.h"
#include "image/depthpromotion.h"
#include "image/pixmill3.h"
#include "render/demo.h"
#include "render/perspectivewarnings.h"
#include "render/workspacerender.h"
#include "workspace/commandline.h"
#include "workspace/pointlist.h"

namespace trellimap::cli {
namespace {

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

void DescribePoints(Report& r, const std::string& key, const TDynaArray& list) {
  r.Begin(key, true);
  for (uint32_t i = 0; i < list.count; ++i) {
    const TOutlinePoint& p = PointAt(list, i);
    r.Begin("", false);
    r.Number("x", p.x);
    r.Number("y", p.y);
    r.Number("corner", p.iscorner ? 1 : 0);
    r.End();
  }
  r.End();
}

}  // namespace

int New(const NewArguments& options) {
  ProjectDocument doc;
  for (size_t side = 0; side < 2; ++side)
    if (options.pictures[side])
      if (const int status = OpenPicture(doc, side, *options.pictures[side])) return status;
  Workspace& ws = doc.workspace();
  for (size_t side = 0; side < 2; ++side)
    if (options.points[side])
      for (const PointPress& p : *options.points[side])
        PressOnOutline(ws.Side(side).outline, ws.Side(side).corners, p.button, p.x, p.y);
  ws.showoriginal = options.background;
  ws.transparent = options.transparent;
  ws.renderautomatically = !options.noAuto;
  return SaveProject(doc, options.project);
}

int Render(const RenderArguments& options) {
  ProjectDocument doc;
  if (const int status = OpenProject(doc, options.input)) return status;
  Workspace& ws = doc.workspace();
  if (!OutlinesComplete(ws)) return Fail(options.input, "both outlines need four corners");
  ws.smooth = options.smooth;
  ws.perspective = options.perspective;
  for (const std::string& warning : PerspectiveWarnings(ws))
    std::fprintf(stderr, "trellimap-cli: %s: %s\n", options.input.c_str(), warning.c_str());
  RunInPlace inPlace;
  for (const WarpDirection d : kBothDirections) doc.Render(d, inPlace);
  if (options.output)
    if (const int status = SaveProject(doc, *options.output)) return status;
  for (size_t i = 0; i < 2; ++i)
    if (options.results[i])
      if (const int status = SaveResult(doc, kBothDirections[i], *options.results[i])) return status;
  return 0;
}

int Info(const InfoArguments& options) {
  const std::string& file = options.file;
  Report r(options.json);
  r.Begin("", false);
  r.Text("file", file);
  if (HasProjectExtension(file)) {
    ProjectDocument doc;
    if (const int status = OpenProject(doc, file)) return status;
    const Workspace& ws = doc.workspace();
    r.Text("kind", "project");
    for (size_t side = 0; side < 2; ++side)
      DescribePoints(r, "points" + std::to_string(side + 1), ws.Side(side).outline);
    for (size_t side = 0; side < 2; ++side) r.Number("corners" + std::to_string(side + 1), ws.Side(side).corners);
    const char* pictureKeys[] = {"picture1", "picture2", "result1", "result2"};
    for (size_t i = 0; i < 4; ++i) DescribePicture(r, pictureKeys[i], *ws.Pictures()[i]);
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

int Convert(const ConvertArguments& options) {
  ProjectDocument doc;
  if (const int status = OpenPicture(doc, 0, options.input)) return status;
  return WritePicture(doc.workspace().Side(0).picture, options.output);
}

int Demo(const DemoArguments& options) {
  ProjectDocument doc;
  if (!options.scan) {
    BuildDemoWorkspace(doc.workspace());
  } else if (!BuildScanDemo(doc)) {
    return Fail(options.project, "there is not enough memory for the demonstration");
  }
  if (options.scan && !options.photo.empty())
    if (const int status = WritePicture(doc.workspace().Side(0).picture, options.photo)) return status;
  return SaveProject(doc, options.project);
}

}  // namespace trellimap::cli
