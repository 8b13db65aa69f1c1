#pragma once
// Flat pages made from photos, as the command line and the window's list of
// scanned pages both make them: the flat page of picture 1's outline,
// finished, and such pages made into a PDF.

#include <optional>
#include <string>
#include <vector>

#include "document/projectdocument.h"
#include "scan/pdfpages.h"

namespace trellimap {

// How flat pages are made.
struct FlattenChoices {
  PageSize size;
  PageFinish finish;
  bool exact = false;  // the exact renderer, without resampling
};

// Makes picture 2 of `doc` the blank page of picture 1's outline (complete)
// at `choices.size` and renders result 1, the flat page, finished as asked,
// on `threads` threads. Failed, saying why in short English with the page's
// size, when there is no memory for the page or it could not be finished.
Outcome FlattenPicture1(ProjectDocument& doc, const FlattenChoices& choices, WorkRunner& runner, int threads = 0);

// How pages go into a PDF.
struct PdfChoices {
  int quality = kPdfJpegQuality;  // of JPEG pages
  std::string ocr;                // languages the text is read in; none: not read
};

// The flat `page`, made at `size`, as a page of a PDF, its text read where
// asked. Nothing when it could not be coded.
std::optional<PdfPage> PdfPageOf(const dib& page, const PageSize& size, const PdfChoices& choices);

// What the PDF `path` says of itself: its file's name for a title, made now.
PdfInfo PdfInfoFor(const std::string& path);

// Whether `path` ends in ".pdf", in any case.
bool NamesAPdf(const std::string& path);

}  // namespace trellimap
