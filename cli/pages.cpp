// The commands for photographed pages: finding a page's outline, and
// flattening pages into pictures of their own.

#include <cmath>
#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>

#include "cli/batch.h"
#include "cli/commands.h"
#include "cli/files.h"
#include "codecs/formatregistry.h"
#include "codecs/pictureopening.h"
#include "detect/doubt.h"
#include "detect/pageoutline.h"
#include "document/flatpages.h"
#include "document/outputfiles.h"
#include "document/projectdocument.h"
#include "image/pixmill3.h"
#include "render/foundoutline.h"
#include "render/perspectivewarnings.h"
#include "scan/pdfpages.h"
#include "scan/recognition.h"

namespace trellimap::cli {
namespace {

int NoPage(const std::string& file) {
  std::fprintf(stderr, "trellimap-cli: %s: no page found\n", file.c_str());
  return kNoPage;
}

// Says on stderr why the page found on `file` is doubtful.
int Doubtful(const std::string& file, DoubtReason reason) {
  std::fprintf(stderr, "trellimap-cli: %s: doubtful: %s\n", file.c_str(), DoubtWords(reason));
  return kDoubtful;
}

// Hundredths, as the JSON report gives sub-pixel places.
double Hundredths(double v) { return std::nearbyint(v * 100) / 100; }

// Flattens the page on the photo `input` into the picture file `output`, or,
// with `pdfPage`, into that page of a PDF; rendering on `threads` threads.
int FlattenOne(const FlattenArguments& options, const std::string& input, const std::string& output, int threads,
               std::mutex& reading, std::optional<PdfPage>* pdfPage) {
  ProjectDocument doc;
  {
    const std::lock_guard<std::mutex> lock(reading);
    if (const int status = OpenPicture(doc, 0, input)) return status;
  }
  Workspace& ws = doc.workspace();
  RunInPlace inPlace;
  if (options.points)
    PlaceOutline(ws.Side(0), *options.points);
  else if (doc.FindOutline(0, inPlace, {options.page}) != PageSearch::Placed)
    return NoPage(input);
  const std::optional<PageDoubt> doubt = doc.FoundDoubt(0);
  const bool doubtful = doubt && doubt->Doubtful();
  if (doubtful && options.skipDoubtful) return Doubtful(input, doubt->reason);
  if (ws.ecken1 != 4) return Fail(input, "the page's outline needs four corners");
  if (const std::string warning = PerspectiveWarning(ws.punkte1, 1); !warning.empty())
    std::fprintf(stderr, "trellimap-cli: %s: %s\n", input.c_str(), warning.c_str());
  if (const Outcome made = FlattenPicture1(doc, {options.size, options.finish, options.exact}, inPlace, threads);
      !made.done())
    return Fail(output, made.detail);
  if (pdfPage != nullptr) {
    *pdfPage = PdfPageOf(ws.Result(WarpDirection::OneIntoTwo), options.size,
                         {options.quality.value_or(kPdfJpegQuality), options.ocr});
    if (!*pdfPage) return Fail(input, "the flat page could not be coded for the PDF");
  } else if (const int status = SaveResult(doc, WarpDirection::OneIntoTwo, output)) {
    return status;
  }
  return doubtful ? Doubtful(input, doubt->reason) : 0;
}

// Flattens every photo into a page of the PDF `output`, in their order;
// the PDF holds the pages that were made, and is written when there is one.
int FlattenIntoPdf(const FlattenArguments& options, std::mutex& reading) {
  if (!NamesAFile(options.output)) return Fail(options.output, "is a folder, not a file");
  std::vector<std::optional<PdfPage>> made(options.inputs.size());
  const int status = RunBatch("flatten", options.inputs.size(), options.jobs, [&](size_t i, int threads) {
    return FlattenOne(options, options.inputs[i], options.output, threads, reading, &made[i]);
  });
  std::vector<PdfPage> pages;
  for (std::optional<PdfPage>& page : made)
    if (page) pages.push_back(std::move(*page));
  if (pages.empty()) return status != 0 ? status : Fail(options.output, "there are no pages to write");
  if (const Outcome written = WritePdf(pages, PdfInfoFor(options.output), options.output); !written.done())
    return Fail(options.output, written.detail);
  return status;
}

}  // namespace

int Detect(const DetectArguments& options) {
  dib picture{};
  // Finding needs no more than kFindingSide pixels: a large photo is read reduced where its format allows.
  Reduction reduction{kFindingSide};
  if (const Outcome read = ReadPictureFile(options.picture, picture, nullptr, &reduction); !read.done())
    return ReadFailed(options.picture, read);
  std::optional<PageOutline> found = FindPageOutline(picture, {options.page});
  const PageDoubt doubt = found ? JudgeOutline(*found, picture) : PageDoubt{};
  ReleaseDib(&picture);
  if (found) found->Enlarge(reduction.factor);
  if (!found) return NoPage(options.picture);
  if (options.json) {
    nlohmann::ordered_json points = nlohmann::ordered_json::array();
    for (const PagePoint& p : found->points)
      points.push_back({{"x", Hundredths(p.at.x)}, {"y", Hundredths(p.at.y)}, {"corner", p.corner}});
    nlohmann::ordered_json report = {{"points", points},
                                     {"score", Hundredths(found->score)},
                                     {"confidence", Hundredths(doubt.confidence)},
                                     {"doubtful", doubt.Doubtful()},
                                     {"from", found->fromText ? "text" : "edges"}};
    if (doubt.Doubtful()) report["reason"] = DoubtWords(doubt.reason);
    std::printf("%s\n", report.dump().c_str());
  } else {
    std::printf("%s\n", FormatPointList(FoundPresses(*found)).c_str());
  }
  return doubt.Doubtful() ? Doubtful(options.picture, doubt.reason) : 0;
}

bool PlacesAnOutline(const std::vector<PointPress>& presses) {
  TDynaArray outline(sizeof(TOutlinePoint));
  int32_t corners = 0;
  for (const PointPress& p : presses) PressOnOutline(outline, corners, p.button, p.x, p.y);
  return corners == 4;
}

int Flatten(const FlattenArguments& options) {
  const bool pdf = NamesAPdf(options.output);
  if (!pdf && (!options.ocr.empty() || options.quality))
    return Fail(options.output, "--ocr and --quality are for a PDF (-o OUT.pdf)");
  if (const std::string missing = options.ocr.empty() ? "" : MissingLanguage(options.ocr); !missing.empty())
    return Fail(missing,
                "no text recognition data for this language is installed (Debian: tesseract-ocr-" + missing + ")");
  std::mutex reading;  // photos are read one at a time: reading is short, and reports its failures itself
  if (pdf) return FlattenIntoPdf(options, reading);
  if (const int status = MakeOutputFolder(options.inputs, options.output)) return status;
  const std::vector<std::string> outputs = OutputNames(options.inputs, options.output, options.format);
  return RunBatch("flatten", options.inputs.size(), options.jobs, [&](size_t i, int threads) {
    return FlattenOne(options, options.inputs[i], outputs[i], threads, reading, nullptr);
  });
}

}  // namespace trellimap::cli
