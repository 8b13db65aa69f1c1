#include "scan/pdfpages.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <memory>
#include <string>

#include "codecs/faxcoding.h"
#include "codecs/jpegencoder.h"
#include "foundation/binaryfile.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

// The words are set in this face, scaled to each word's box: only their
// place and their text matter, as the page's picture covers them.
constexpr const char* kWordFace = "DejaVu Sans";
// The page's picture stops this many points short of the page's right and
// bottom edges: renderers that round a picture's far edge up to the next
// whole pixel would otherwise draw it a pixel larger than it is at its own
// resolution, every row and column after the middle one off by one.
constexpr double kFarEdgeGap = 0.001;
// A word's letters stand this share of its box's height above the baseline
// when the box reaches below it no further (no descenders).
constexpr double kAscentShare = 0.75;

struct CairoSurface {
  cairo_surface_t* surface;
  ~CairoSurface() { cairo_surface_destroy(surface); }
};
struct CairoContext {
  cairo_t* cr;
  ~CairoContext() { cairo_destroy(cr); }
};

bool AllGrey(const dib& page) {
  const int32_t w = DibWidth(&page), h = DibHeight(&page);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* p = page.poi + static_cast<size_t>(y) * static_cast<size_t>(page.bytew);
    for (int32_t x = 0; x < w; ++x, p += 3)
      if (p[0] != p[1] || p[1] != p[2]) return false;
  }
  return true;
}

// Hands `bytes` to `picture` as its coded form of `type`, which the PDF
// takes as it is; the picture keeps its own copy.
void Attach(cairo_surface_t* picture, const char* type, const std::vector<uint8_t>& bytes) {
  auto* kept = new std::vector<uint8_t>(bytes);
  if (cairo_surface_set_mime_data(
          picture, type, kept->data(), kept->size(),
          [](void* data) { delete static_cast<std::vector<uint8_t>*>(data); }, kept) != CAIRO_STATUS_SUCCESS)
    delete kept;
}

// The page's picture as cairo draws it: an empty picture of its size that
// carries the coded page.
cairo_surface_t* PagePicture(const PdfPage& page) {
  cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, page.width, page.height);
  if (cairo_surface_status(picture) != CAIRO_STATUS_SUCCESS) return picture;
  if (!page.bilevel) {
    Attach(picture, CAIRO_MIME_TYPE_JPEG, page.coded);
    return picture;
  }
  const std::string parameters =
      "Columns=" + std::to_string(page.width) + " Rows=" + std::to_string(page.height) + " K=-1";
  Attach(picture, CAIRO_MIME_TYPE_CCITT_FAX, page.coded);
  Attach(picture, CAIRO_MIME_TYPE_CCITT_FAX_PARAMS, {parameters.begin(), parameters.end()});
  return picture;
}

// The words in the page's pixels, each stretched across its box, its
// baseline on the word's.
void SetWords(cairo_t* cr, const std::vector<RecognisedWord>& words) {
  cairo_select_font_face(cr, kWordFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_source_rgb(cr, 0, 0, 0);
  for (const RecognisedWord& word : words) {
    const double width = word.right - word.left;
    const double above = std::max(1, word.baseline - word.top);
    if (width <= 0) continue;
    cairo_set_font_size(cr, above / kAscentShare);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, word.text.c_str(), &extents);
    if (extents.x_advance <= 0) continue;
    cairo_save(cr);
    cairo_translate(cr, word.left, word.baseline);
    cairo_scale(cr, width / extents.x_advance, 1);
    cairo_move_to(cr, 0, 0);
    cairo_show_text(cr, word.text.c_str());
    cairo_restore(cr);
  }
}

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::optional<PdfPage> CodePdfPage(const dib& page, PaperPoints paper, int quality) {
  PdfPage coded;
  coded.width = DibWidth(&page);
  coded.height = DibHeight(&page);
  coded.paper = paper;
  if (page.poi == nullptr || coded.width <= 0 || coded.height <= 0) return std::nullopt;
  if (DibBitCount(&page) == 1) {
    coded.bilevel = true;
    coded.coded = FaxGroup4(WhiteBitRows(page), coded.width, coded.height);
    if (coded.coded.empty()) return std::nullopt;
    return coded;
  }
  if (DibBitCount(&page) != 24) return std::nullopt;
  const JpegCoding coding{.quality = quality, .grey = AllGrey(page), .halfColour = true};
  const Outcome encoded = EncodeJpeg(
      page, [&](const uint8_t* data, size_t size) { coded.coded.insert(coded.coded.end(), data, data + size); },
      coding);
  if (!encoded.done()) return std::nullopt;
  return coded;
}

Outcome MakePdf(const std::vector<PdfPage>& pages, const PdfInfo& info, std::vector<uint8_t>* out) {
  out->clear();
  if (pages.empty()) return Outcome::Failed(FileProblem::None, "there are no pages");
  const CairoSurface pdf{cairo_pdf_surface_create_for_stream(Append, out, pages[0].paper.width, pages[0].paper.height)};
  cairo_pdf_surface_set_metadata(pdf.surface, CAIRO_PDF_METADATA_TITLE, info.title.c_str());
  cairo_pdf_surface_set_metadata(pdf.surface, CAIRO_PDF_METADATA_CREATOR, "Trellimap");
  if (!info.created.empty())
    cairo_pdf_surface_set_metadata(pdf.surface, CAIRO_PDF_METADATA_CREATE_DATE, info.created.c_str());
  for (const PdfPage& page : pages) {
    cairo_pdf_surface_set_size(pdf.surface, page.paper.width, page.paper.height);
    const CairoContext cr{cairo_create(pdf.surface)};
    cairo_scale(cr.cr, (page.paper.width - kFarEdgeGap) / page.width, (page.paper.height - kFarEdgeGap) / page.height);
    // The words first: the picture drawn over them hides them, where they
    // are still found and marked.
    SetWords(cr.cr, page.words);
    const CairoSurface picture{PagePicture(page)};
    cairo_set_source_surface(cr.cr, picture.surface, 0, 0);
    cairo_paint(cr.cr);
    cairo_show_page(cr.cr);
    if (cairo_status(cr.cr) != CAIRO_STATUS_SUCCESS)
      return Outcome::Failed(FileProblem::None, cairo_status_to_string(cairo_status(cr.cr)));
  }
  cairo_surface_finish(pdf.surface);
  if (const cairo_status_t status = cairo_surface_status(pdf.surface); status != CAIRO_STATUS_SUCCESS)
    return Outcome::Failed(FileProblem::None, cairo_status_to_string(status));
  return Outcome::Done();
}

Outcome WritePdf(const std::vector<PdfPage>& pages, const PdfInfo& info, const std::string& path) {
  std::vector<uint8_t> bytes;
  if (Outcome made = MakePdf(pages, info, &bytes); !made.done()) return made;
  return WriteFileWhole(path, [&](AtomicFileWriter& out) {
    out.Write(bytes.data(), bytes.size());
    return Outcome::Done();
  });
}

}  // namespace trellimap
