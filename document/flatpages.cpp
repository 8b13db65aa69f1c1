#include "document/flatpages.h"

#include <cctype>
#include <cmath>
#include <ctime>
#include <filesystem>

#include "codecs/formatregistry.h"
#include "image/pixmill3.h"
#include "render/flatten.h"
#include "scan/recognition.h"

namespace trellimap {

Outcome FlattenPicture1(ProjectDocument& doc, const FlattenChoices& choices, WorkRunner& runner, int threads) {
  Workspace& ws = doc.workspace();
  const FlatSize flat = FlatPageSize(choices.size, ws.punkte1, DibWidth(&ws.di1), DibHeight(&ws.di1));
  const std::string size = std::to_string(flat.width) + " \u00d7 " + std::to_string(flat.height);
  const auto failed = [&size](const std::string& why) {
    return Outcome::Failed(FileProblem::None, why + " (" + size + ")");
  };
  if (!doc.MakeFlatPage({choices.size, flat})) return failed("there is not enough memory for the page");
  ws.smooth = !choices.exact;
  ws.finish = choices.finish;
  if (doc.Render(WarpDirection::OneIntoTwo, runner, threads) == RenderOutcome::Stopped) return Outcome::Stopped();
  if (ws.Result(WarpDirection::OneIntoTwo).poi == nullptr) return failed("there is not enough memory for the page");
  if (const std::optional<FinishedPage>& finished = doc.PageFinished(); finished && !finished->failure.empty())
    return failed(finished->failure);
  return Outcome::Done();
}

std::optional<PdfPage> PdfPageOf(const dib& page, const PageSize& size, const PdfChoices& choices) {
  const auto [across, down] = PagePoints(size, DibWidth(&page), DibHeight(&page));
  std::optional<PdfPage> coded = CodePdfPage(page, {across, down}, choices.quality);
  if (coded && !choices.ocr.empty()) {
    constexpr double kPointsPerInch = 72;
    const int dpi = static_cast<int>(std::lround(DibWidth(&page) * kPointsPerInch / across));
    coded->words = RecogniseWords(page, choices.ocr, dpi);
  }
  return coded;
}

PdfInfo PdfInfoFor(const std::string& path) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char created[32];
  std::strftime(created, sizeof created, "%Y-%m-%dT%H:%M:%S", &local);
  return {std::filesystem::path(path).stem().string(), created};
}

bool NamesAPdf(const std::string& path) {
  std::string extension = ExtensionOf(path);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".pdf";
}

}  // namespace trellimap
