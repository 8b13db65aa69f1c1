#include "persist/projectfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <vector>

#include "foundation/binaryfile.h"
#include "foundation/fileproblem.h"
#include "foundation/ioerror.h"
#include "i18n/translateunit.h"
#include "image/depthpromotion.h"
#include "image/pixmill3.h"
#include "view/panegeometry.h"

namespace trellimap {
namespace {

constexpr int32_t kHeaderBytes = sizeof(BitmapInfoHeader);
constexpr int32_t kMaxPaletteEntries = 256;

// The settings block after the option bytes, written only while one of its
// settings is in use, so that other projects keep the layout they always had:
//   4 bytes  the tag "TMOP"
//   1 byte   the block's version, 1
//   int32    L, the bytes of the fields that follow, which end the file
//   byte     Perspective, 0 or 1
//   byte     Smooth, 0 or 1
//   byte     1 when picture 2 is a flat page, else 0; then, zeros without one:
//   byte     the size chosen: an index into kStoredKinds
//   byte     its orientation: 0 as the page lies, 1 portrait, 2 landscape
//   int32 ×3 its width and height in pixels, and its DPI
//   int32 ×2 the flat page's width and height, which are picture 2's
//   int32 ×4 the zooms of the window's four panes, each 0 when not known
// A later program may add fields after these within L, which this one skips;
// a change that a reader of version 1 could not skip takes a new version,
// which such a reader refuses.
constexpr uint8_t kSettingsTag[4] = {'T', 'M', 'O', 'P'};
constexpr uint8_t kSettingsVersion = 1;
constexpr size_t kSettingsHeadBytes = sizeof kSettingsTag + 1 + 4;
constexpr int32_t kSettingsFieldBytes = 3 + 2 + 3 * 4 + 2 * 4 + 4 * 4;
// Far beyond any field a later version may add, and read whole.
constexpr int32_t kMostSettingsBytes = 1 << 16;
// The stored numbers of the page sizes: stable whatever order PageSize::Kind takes.
constexpr PageSize::Kind kStoredKinds[] = {PageSize::Kind::Auto, PageSize::Kind::Pixels, PageSize::Kind::A4,
                                           PageSize::Kind::A5,   PageSize::Kind::Letter, PageSize::Kind::Legal};

// The highest stored orientation; the enumeration's values are its stored numbers.
constexpr uint8_t kMostOrientation = static_cast<uint8_t>(PageSize::Orientation::Landscape);

void WritePoints(AtomicFileWriter& out, const TDynaArray& list) {
  out.WriteInt32(static_cast<int32_t>(list.count));
  for (uint32_t i = 0; i < list.count; ++i) out.Write(list.At(i), sizeof(TOutlinePoint));
}

// Block of one picture: H (header and palette bytes), C (colours), the header
// with its palette, and the rows in memory order.
void WritePicture(AtomicFileWriter& out, const dib& picture) {
  if (picture.poi == nullptr) {
    // A result that could not be made is stored as a start picture.
    dib start;
    newdib(&start, kStartWidth, kStartHeight, 24, nullptr, 0);
    if (start.poi == nullptr) throw InOutError::FromErrno(ENOMEM);
    WritePicture(out, start);
    ReleaseDib(&start);
    return;
  }
  const int32_t n = DibColorCount(&picture);
  const bool paletted = n <= kMaxPaletteEntries;
  out.WriteInt32(kHeaderBytes + (paletted ? 4 * n : 0));
  out.WriteInt32(paletted ? n : 0);
  out.Write(picture.pmi, static_cast<size_t>(kHeaderBytes + (paletted ? 4 * n : 0)));
  out.Write(picture.poi, static_cast<size_t>(picture.bytew) * static_cast<size_t>(DibHeight(&picture)));
}

// The stored number of `kind`; std::size(kStoredKinds) for none.
size_t StoredKind(PageSize::Kind kind) {
  return static_cast<size_t>(std::find(std::begin(kStoredKinds), std::end(kStoredKinds), kind) -
                             std::begin(kStoredKinds));
}

// Whether `page` can be picture 2, `picture`, as Flatten made it: a size the
// dialog or the command line can choose, and the picture's own size.
bool DescribesPicture(const FlatPage& page, const dib& picture) {
  const PageSize& chosen = page.chosen;
  const auto within = [](int32_t value, int32_t least) { return value >= least && value <= kMostPageSide; };
  const int32_t leastSide = chosen.kind == PageSize::Kind::Pixels ? 1 : 0;
  return StoredKind(chosen.kind) < std::size(kStoredKinds) && within(chosen.width, leastSide) &&
         within(chosen.height, leastSide) && within(chosen.dpi, 0) && picture.poi != nullptr &&
         page.size.width == DibWidth(&picture) && page.size.height == DibHeight(&picture);
}

void PutInt32(std::vector<uint8_t>& to, int32_t value) {
  for (int i = 0; i < 4; ++i) to.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
}

int32_t Int32At(const uint8_t* bytes) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= uint32_t{bytes[i]} << (8 * i);
  return static_cast<int32_t>(value);
}

// The settings block of `ws`, empty when it holds nothing but what a project
// without it means: Perspective and Smooth off, no flat page.
std::vector<uint8_t> SettingsBlock(const Workspace& ws) {
  const bool flat = ws.flatPage && DescribesPicture(*ws.flatPage, ws.di2);
  if (!ws.perspective && !ws.smooth && !flat) return {};
  std::vector<uint8_t> block(std::begin(kSettingsTag), std::end(kSettingsTag));
  block.push_back(kSettingsVersion);
  PutInt32(block, kSettingsFieldBytes);
  block.push_back(ws.perspective ? 1 : 0);
  block.push_back(ws.smooth ? 1 : 0);
  block.push_back(flat ? 1 : 0);
  const FlatPage page = flat ? *ws.flatPage : FlatPage{{}, {0, 0}};
  block.push_back(flat ? static_cast<uint8_t>(StoredKind(page.chosen.kind)) : 0);
  block.push_back(static_cast<uint8_t>(page.chosen.orientation));
  for (const int32_t value :
       {page.chosen.width, page.chosen.height, page.chosen.dpi, page.size.width, page.size.height})
    PutInt32(block, value);
  for (const int32_t zoom : ws.paneZooms) PutInt32(block, zoom == 0 ? 0 : std::clamp(zoom, kZoomMin, kZoomMax));
  return block;
}

// Takes the fields of a settings block in order; the caller has made sure
// that they are there.
class FieldReader {
 public:
  explicit FieldReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  uint8_t Byte() { return bytes_[at_++]; }
  int32_t Int32() {
    at_ += 4;
    return Int32At(&bytes_[at_ - 4]);
  }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t at_ = 0;
};

// Reads the settings block that ends the file, if there is one; `picture2`
// is picture 2 as read. Anything else after the option bytes is damage.
ProjectRead::Settings ReadSettings(BinaryReader& in, const dib& picture2, const std::string& fname) {
  ProjectRead::Settings settings;
  if (in.Remaining() == 0) return settings;
  const auto damaged = [&fname] {
    return InOutError::Damaged(
        TranslateFormat("The project file \"%1\" is damaged: the settings at its end are unreadable.", {fname}));
  };
  uint8_t head[kSettingsHeadBytes];
  if (in.Remaining() < sizeof head) throw damaged();
  in.Read(head, sizeof head);
  if (std::memcmp(head, kSettingsTag, sizeof kSettingsTag) != 0 || head[sizeof kSettingsTag] != kSettingsVersion)
    throw damaged();
  const int32_t length = Int32At(head + sizeof kSettingsTag + 1);
  if (length < kSettingsFieldBytes || length > kMostSettingsBytes || static_cast<uint64_t>(length) != in.Remaining())
    throw damaged();
  std::vector<uint8_t> fields(static_cast<size_t>(length));
  in.Read(fields.data(), fields.size());
  FieldReader field(fields);
  const uint8_t perspective = field.Byte(), smooth = field.Byte(), flat = field.Byte();
  const uint8_t kind = field.Byte(), orientation = field.Byte();
  int32_t values[5];
  for (int32_t& value : values) value = field.Int32();
  for (int32_t& zoom : settings.zooms) zoom = field.Int32();
  const auto possibleZoom = [](int32_t zoom) { return zoom == 0 || (zoom >= kZoomMin && zoom <= kZoomMax); };
  if (perspective > 1 || smooth > 1 || flat > 1 ||
      !std::all_of(settings.zooms.begin(), settings.zooms.end(), possibleZoom))
    throw damaged();
  settings.perspective = perspective == 1;
  settings.smooth = smooth == 1;
  if (flat == 0) {
    // Without a flat page its fields stay zero.
    if (kind != 0 || orientation != 0 ||
        std::any_of(std::begin(values), std::end(values), [](int32_t v) { return v != 0; }))
      throw damaged();
    return settings;
  }
  if (size_t{kind} >= std::size(kStoredKinds) || orientation > kMostOrientation) throw damaged();
  const FlatPage page{{kStoredKinds[kind], values[0], values[1], values[2], PageSize::Orientation{orientation}},
                      {values[3], values[4]}};
  if (!DescribesPicture(page, picture2)) throw damaged();
  settings.flatPage = page;
  return settings;
}

bool ValidDepth(int32_t bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// The error for a block whose values cannot be right: which of the four
// pictures, in which file.
InOutError DamagedBlock(const std::string& fname, int index) {
  static constexpr const char* kNames[] = {"picture 1", "picture 2", "result 1", "result 2"};
  return InOutError::Damaged(
      TranslateFormat("The project file \"%1\" is damaged: %2 has an impossible size or colour depth.",
                      {fname, TranslateUtf8(kNames[index])}));
}

// Tells `progress` how much of the file is read; false when the read is to stop.
bool ReportRead(const BinaryReader& in, uint64_t total, Progress* progress) {
  return Continue(progress, total > 0 ? 1.0 - static_cast<double>(in.Remaining()) / static_cast<double>(total) : 1.0);
}

// Reads `bytes` bytes in parts, telling `progress` after each; false when stopped.
bool ReadInParts(BinaryReader& in, uint8_t* to, size_t bytes, uint64_t total, Progress* progress) {
  constexpr size_t kPart = size_t{16} << 20;
  for (size_t done = 0; done < bytes; done += kPart) {
    in.Read(to + done, std::min(kPart, bytes - done));
    if (!ReportRead(in, total, progress)) return false;
  }
  return true;
}

// Reads block `index` (0 to 3) of `fname` into `picture`, which is released
// first. Sizes are checked against the bytes left before anything is
// allocated from them. Two-bit pictures, which nothing else here draws, are
// promoted to 24 bits as loaded pictures are. False when stopped through
// `progress` (of a file of `total` bytes).
bool ReadPicture(BinaryReader& in, dib& picture, const std::string& fname, int index, uint64_t total,
                 Progress* progress) {
  ReleaseDib(&picture);
  try {
    const int32_t headerBytes = in.ReadInt32();
    const int32_t colours = in.ReadInt32();
    if (headerBytes < kHeaderBytes || headerBytes > kHeaderBytes + 4 * kMaxPaletteEntries || colours < 0 ||
        colours > kMaxPaletteEntries)
      throw DamagedBlock(fname, index);
    if (static_cast<uint64_t>(headerBytes) > in.Remaining()) throw InOutError::ReadBeyondEnd();
    BitmapInfo header;
    std::memset(&header, 0, sizeof header);
    in.Read(&header, static_cast<size_t>(headerBytes));
    const BitmapInfoHeader& h = header.bmiHeader;
    const int32_t bits = h.biBitCount;
    if (h.biWidth <= 0 || h.biHeight <= 0 || !ValidDepth(bits)) throw DamagedBlock(fname, index);
    const int64_t rowBytes = RowBytes(h.biWidth, bits);
    if (static_cast<uint64_t>(rowBytes) > in.Remaining() / static_cast<uint64_t>(h.biHeight))
      throw InOutError::ReadBeyondEnd();
    // Only the colours the block really holds are taken.
    const int32_t available = (headerBytes - kHeaderBytes) / 4;
    newdib(&picture, h.biWidth, h.biHeight, bits, &header, colours < available ? colours : available);
    if (picture.poi == nullptr) throw InOutError::FromErrno(ENOMEM);
    if (!ReadInParts(in, picture.poi, static_cast<size_t>(rowBytes * h.biHeight), total, progress)) return false;
    if (bits == 2) DepthUpTo(24, &picture);
    if (DibBitCount(&picture) == 2) throw InOutError::FromErrno(ENOMEM);
    return true;
  } catch (...) {
    // The picture was released: it must not stay without one.
    if (picture.poi != nullptr) ReleaseDib(&picture);
    newdib(&picture, kStartWidth, kStartHeight, 24, nullptr, 0);
    throw;
  }
}

std::vector<TOutlinePoint> ReadPointList(BinaryReader& in) {
  const int32_t count = in.ReadInt32();
  // Every record must be there before any is taken.
  if (count > 0 && static_cast<uint64_t>(count) * sizeof(TOutlinePoint) > in.Remaining())
    throw InOutError::ReadBeyondEnd();
  std::vector<TOutlinePoint> points(static_cast<size_t>(std::max(count, 0)));
  if (!points.empty()) in.Read(points.data(), points.size() * sizeof(TOutlinePoint));
  return points;
}

// Reads the file into `read`; false when stopped through `progress`.
bool ReadBlocks(BinaryReader& in, ProjectRead& read, const std::string& fname, Progress* progress) {
  const uint64_t total = in.Remaining();
  for (auto& points : read.points) points = ReadPointList(in);
  for (auto& corners : read.cornerCounts) corners = in.ReadInt32();
  for (int k = 0; k < 4; ++k) {
    // Whatever happens to it, the picture being read replaces the old one.
    read.pictureRead[k] = true;
    if (!ReadPicture(in, read.pictures[k], fname, k, total, progress)) return false;
  }
  for (auto& option : read.options) option = in.ReadByte() != 0;
  read.settings = ReadSettings(in, read.pictures[1], fname);
  return true;
}

}  // namespace

Outcome SaveProjectfile(const Workspace& ws, const std::string& fname, Progress* progress) {
  AtomicFileWriter out;
  if (!out.Open(fname)) return Outcome::Failed(FileProblem::CannotOpen, "the file could not be created");
  try {
    for (size_t side = 0; side < 2; ++side) WritePoints(out, ws.Side(side).outline);
    for (size_t side = 0; side < 2; ++side) out.WriteInt32(ws.Side(side).corners);
    double done = 0;
    for (const dib* picture : ws.Pictures()) {
      WritePicture(out, *picture);
      // An uncommitted file is removed: the previous one stays.
      if (!Continue(progress, done += 0.25)) return Outcome::Stopped();
    }
    out.WriteByte(ws.showoriginal ? 1 : 0);
    out.WriteByte(ws.transparent ? 1 : 0);
    out.WriteByte(ws.renderautomatically ? 1 : 0);
    const std::vector<uint8_t> settings = SettingsBlock(ws);
    if (!settings.empty()) out.Write(settings.data(), settings.size());
    out.Commit();
  } catch (const InOutError& error) {
    return Outcome::Failed(ProblemOfError(error), error.what());
  }
  return Outcome::Done();
}

ProjectRead::~ProjectRead() {
  for (dib& picture : pictures)
    if (picture.poi != nullptr) ReleaseDib(&picture);
}

void ProjectRead::HandTo(Workspace& ws) {
  for (size_t k = 0; k < 2; ++k) {
    const SideRef side = ws.Side(k);
    if (points[k].has_value()) {
      side.outline.Clear();
      for (const TOutlinePoint& p : *points[k]) {
        void* record = side.outline.Add();
        if (record == nullptr) throw InOutError::FromErrno(ENOMEM);  // reported by the list already
        std::memcpy(record, &p, sizeof p);
      }
    }
    if (cornerCounts[k].has_value()) side.corners = *cornerCounts[k];
  }
  for (size_t k = 0; k < 4; ++k)
    if (pictureRead[k]) {
      ReplacePicture(ws.Pictures()[k], pictures[k]);
      pictures[k] = dib{};
      pictureRead[k] = false;
    }
  bool* flags[3] = {&ws.showoriginal, &ws.transparent, &ws.renderautomatically};
  for (int k = 0; k < 3; ++k)
    if (options[k].has_value()) *flags[k] = *options[k];
  if (settings.has_value()) {
    ws.perspective = settings->perspective;
    ws.smooth = settings->smooth;
    ws.flatPage = settings->flatPage;
    ws.paneZooms = settings->zooms;
  }
}

Outcome ReadProject(const std::string& fname, ProjectRead& read, Progress* progress) {
  BinaryReader in;
  if (!in.Open(fname)) return Outcome::Failed(FileProblem::CannotOpen, "the file could not be opened");
  try {
    return ReadBlocks(in, read, fname, progress) ? Outcome::Done() : Outcome::Stopped();
  } catch (const InOutError& error) {
    // A file that fails before its first picture block has no project's
    // beginning: a text, a picture, anything but a project.
    const FileProblem problem = error.kind() == InOutError::Kind::Damaged         ? FileProblem::Damaged
                                : !read.pictureRead[0]                            ? FileProblem::NotThisFormat
                                : error.kind() == InOutError::Kind::ReadBeyondEnd ? FileProblem::CutShort
                                                                                  : ProblemOfError(error);
    return Outcome::Failed(problem, error.what());
  }
}

}  // namespace trellimap
