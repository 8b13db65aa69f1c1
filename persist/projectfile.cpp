#include "persist/projectfile.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "foundation/binaryfile.h"
#include "foundation/ioerror.h"
#include "i18n/translateunit.h"
#include "image/pictureloading.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

constexpr int32_t kHeaderBytes = sizeof(BitmapInfoHeader);
constexpr int32_t kMaxPaletteEntries = 256;

void WritePoints(AtomicFileWriter& out, TDynaArray& list) {
  out.WriteInt32(static_cast<int32_t>(list.count));
  list.First();
  while (list.WhileNext()) out.Write(list.aobj, sizeof(TOutlinePoint));
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

void ReadPoints(BinaryReader& in, TDynaArray& list) {
  const int32_t count = in.ReadInt32();
  // Every record must be there before the list takes it.
  if (count > 0 && static_cast<uint64_t>(count) * sizeof(TOutlinePoint) > in.Remaining())
    throw InOutError::ReadBeyondEnd();
  list.Clear();
  for (int32_t i = 0; i < count; ++i) {
    void* record = list.Add();
    if (record == nullptr) throw InOutError::FromErrno(ENOMEM);  // reported by the list already
    in.Read(record, sizeof(TOutlinePoint));
  }
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

// Reads block `index` (0 to 3) of `fname` into `picture`, which is released
// first. Sizes are checked against the bytes left before anything is
// allocated from them. Two-bit pictures, which nothing else here draws, are
// promoted to 24 bits as loaded pictures are.
void ReadPicture(BinaryReader& in, dib& picture, const std::string& fname, int index) {
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
    in.Read(picture.poi, static_cast<size_t>(rowBytes * h.biHeight));
    if (bits == 2) DepthUpTo(24, &picture);
    if (DibBitCount(&picture) == 2) throw InOutError::FromErrno(ENOMEM);
  } catch (...) {
    // The picture was released: it must not stay without one.
    if (picture.poi != nullptr) ReleaseDib(&picture);
    newdib(&picture, kStartWidth, kStartHeight, 24, nullptr, 0);
    throw;
  }
}

}  // namespace

ProjectStatus SaveProjectfile(Workspace& ws, const std::string& fname, Progress* progress) {
  AtomicFileWriter out;
  if (!out.Open(fname)) return ProjectStatus::CannotCreate;
  WritePoints(out, ws.punkte1);
  WritePoints(out, ws.punkte2);
  out.WriteInt32(ws.ecken1);
  out.WriteInt32(ws.ecken2);
  double done = 0;
  for (const dib* picture : {&ws.di1, &ws.di2, &ws.di3, &ws.di4}) {
    WritePicture(out, *picture);
    // An uncommitted file is removed: the previous one stays.
    if (!Continue(progress, done += 0.25)) return ProjectStatus::Stopped;
  }
  out.WriteByte(ws.showoriginal ? 1 : 0);
  out.WriteByte(ws.transparent ? 1 : 0);
  out.WriteByte(ws.renderautomatically ? 1 : 0);
  out.Commit();
  return ProjectStatus::Done;
}

ProjectStatus OpenProjectfile(Workspace& ws, const std::string& fname) {
  BinaryReader in;
  if (!in.Open(fname)) return ProjectStatus::CannotOpen;
  ReadPoints(in, ws.punkte1);
  ReadPoints(in, ws.punkte2);
  ws.ecken1 = in.ReadInt32();
  ws.ecken2 = in.ReadInt32();
  int index = 0;
  for (dib* picture : {&ws.di1, &ws.di2, &ws.di3, &ws.di4}) ReadPicture(in, *picture, fname, index++);
  ws.showoriginal = in.ReadByte() != 0;
  ws.transparent = in.ReadByte() != 0;
  ws.renderautomatically = in.ReadByte() != 0;
  return ProjectStatus::Done;
}

}  // namespace trellimap
