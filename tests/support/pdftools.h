#pragma once
// Written PDFs seen through tools that share no code with the program:
// poppler's pdfinfo, pdftoppm, pdfimages and pdftotext, and qpdf.

#include <string>
#include <vector>

#include "image/dib.h"

namespace trellimap::testing {

struct ToolRun {
  int status;
  std::string out;
};

// Runs the shell command `command`; its exit status and what it printed.
ToolRun RunTool(const std::string& command);

struct PdfPageBox {
  double width, height;  // points
};

// The pages' sizes as pdfinfo reports them; empty when it cannot read the file.
std::vector<PdfPageBox> PdfPageBoxes(const std::string& pdf);

// The pictures on the pages as pdfimages lists them: per picture its colour
// ("rgb", "gray"), bits per component and coding ("jpeg", "image"), as
// "gray 1 image".
std::vector<std::string> PdfPictures(const std::string& pdf);

// Page `page` (from 1) drawn by pdftoppm at `dpi`; the caller releases it.
dib RenderedPdfPage(const std::string& pdf, int page, int dpi);

// The peak signal-to-noise ratio of `b` against `a` in decibels, over their
// red, green and blue (the same size); infinity where they are equal.
double Psnr(const dib& a, const dib& b);

}  // namespace trellimap::testing
