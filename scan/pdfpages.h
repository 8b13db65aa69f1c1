#pragma once
// Flat pages made into one PDF: each page's picture coded as documents are
// sent (a JPEG for colour and grey, one bit a pixel for black and white),
// its size on paper, and the words read on it placed invisibly under the
// picture, so that a viewer's search finds them where they show.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "foundation/outcome.h"
#include "image/dib.h"
#include "scan/pagefinish.h"
#include "scan/recognition.h"

namespace trellimap {

// A page's size on paper, in points (1/72 inch).
struct PaperPoints {
  double width = 0, height = 0;
};

// One page as the PDF holds it.
struct PdfPage {
  int32_t width = 0, height = 0;  // pixels
  PaperPoints paper;
  bool bilevel = false;        // `coded` holds rows of bits, else a JPEG file
  std::vector<uint8_t> coded;  // bits: rows from the top, each whole bytes, the leftmost pixel highest, 1 white
  std::vector<RecognisedWord> words;
};

// `page` (24 bits, or 1 bit for black and white) coded for a PDF page of
// `paper`: a 1-bit picture in fax code, a picture whose pixels are all grey
// as a grey JPEG, any other as a colour JPEG, at `quality`. Nothing when the
// coder fails.
std::optional<PdfPage> CodePdfPage(const dib& page, PaperPoints paper, int quality);

// What the PDF says of itself.
struct PdfInfo {
  std::string title;
  std::string created;  // "YYYY-MM-DDThh:mm:ss", local time
};

// The PDF of `pages` in their order, one page each, a page's picture filling
// it. Failed with the reason when the PDF could not be made.
Outcome MakePdf(const std::vector<PdfPage>& pages, const PdfInfo& info, std::vector<uint8_t>* out);

// MakePdf written to `path`: the file appears only when it was written
// completely, and a file there before stays when it was not.
Outcome WritePdf(const std::vector<PdfPage>& pages, const PdfInfo& info, const std::string& path);

}  // namespace trellimap
