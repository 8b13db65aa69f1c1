#include "persist/projectfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "foundation/binaryfile.h"
#include "foundation/fileproblem.h"
#include "foundation/ioerror.h"
#include "i18n/translateunit.h"
#include "image/depthpromotion.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

constexpr int32_t kHeaderBytes = sizeof(BitmapInfoHeader);
constexpr int32_t kMaxPaletteEntries = 256;

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
