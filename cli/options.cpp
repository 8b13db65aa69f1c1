// The command line, declared here, one subcommand per command: the parser
// writes its help, refuses what it does not understand, and fills the options
// of the chosen command, which the actions then check and carry out.

#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "workspace/commandline.h"

namespace trellimap::cli {
namespace {

// The exit status for a command line that is not understood, whichever of its
// own codes the parser gives the problem.
constexpr int kUsageError = 2;

// An option whose value is a point list: text that is not one is refused by
// the parser, and the list is stored parsed.
CLI::Option* AddPoints(CLI::App* command, const std::string& name, std::optional<std::vector<PointPress>>* points,
                       const std::string& description, const Actions& actions) {
  const CLI::Validator pointList(
      [&actions](std::string& text) {
        return actions.parsePoints(text) ? std::string() : "not a list of x,y points: " + text;
      },
      "");
  return command
      ->add_option_function<std::string>(
          name, [points, &actions](const std::string& text) { *points = actions.parsePoints(text); }, description)
      ->check(pointList)
      ->type_name("LIST");
}

// --page: which of an open book's two facing pages to take.
CLI::Option* AddPageChoice(CLI::App* command, PageChoice* page) {
  const std::map<std::string, PageChoice> names = {{"left", PageChoice::Left}, {"right", PageChoice::Right}};
  return command
      ->add_option("--page", *page,
                   "Of an open book's two facing pages, the left or the right (default: the one nearer the middle)")
      ->transform(CLI::CheckedTransformer(names, CLI::ignore_case).description(""))
      ->type_name("left|right");
}

// An option naming the format of the files written into a folder.
CLI::Option* AddFormat(CLI::App* command, std::string* format, const Actions& actions) {
  const CLI::Validator known(
      [&actions](std::string& text) {
        return actions.knowsFormat(text) ? std::string()
                                         : "names no picture format (use png, jpg, bmp, tif, ...): " + text;
      },
      "");
  return command->add_option("--format", *format, "The format of the files in the folder (default: png)")
      ->check(known)
      ->type_name("EXT");
}

// An option taking one of a few words, each standing for a value of
// `target`; another word is refused as not `what`.
template <typename T>
CLI::Option* AddWordChoice(CLI::App* command, const std::string& name, const std::map<std::string, T>& words, T* target,
                           const std::string& help, const std::string& what, const std::string& typeName) {
  return command
      ->add_option_function<std::string>(
          name, [words, target](const std::string& text) { *target = words.at(text); }, help)
      ->check(CLI::Validator(
          [words, what](std::string& text) {
            return words.count(text) != 0 ? std::string() : "not " + what + ": " + text;
          },
          ""))
      ->type_name(typeName);
}

// The inset "N%" (below half the page) or "Npx" names; nothing for other text.
std::optional<PageInset> InsetNamed(const std::string& text) {
  const bool percent = text.size() > 1 && text.back() == '%';
  const bool pixels = text.size() > 2 && text.compare(text.size() - 2, 2, "px") == 0;
  if (!percent && !pixels) return std::nullopt;
  const std::string number = text.substr(0, text.size() - (percent ? 1 : 2));
  char* end = nullptr;
  const double amount = std::strtod(number.c_str(), &end);
  if (number.empty() || end != number.c_str() + number.size() || !std::isfinite(amount) || amount < 0 ||
      (percent && amount >= 50) || amount > 1e6)
    return std::nullopt;
  return PageInset{amount, percent};
}

}  // namespace

int RunCommandLine(int argc, char** argv, const Actions& actions) {
  CLI::App app("Trellimap's projects and pictures without a window.", "trellimap-cli");
  app.set_version_flag("--version", std::string("trellimap-cli ") + kVersion, "Print the version and exit");
  app.require_subcommand(1);

  NewArguments newArguments;
  CLI::App* newCommand =
      app.add_subcommand("new", "Saves a new workspace: pictures loaded and outlines placed as the window does");
  newCommand->add_option("OUT.gip", newArguments.project, "The project to write")->required()->type_name("");
  newCommand->add_option("--picture1", newArguments.pictures[0], "Picture 1")->type_name("FILE");
  newCommand->add_option("--picture2", newArguments.pictures[1], "Picture 2")->type_name("FILE");
  AddPoints(newCommand, "--points1", &newArguments.points[0], "The outline on picture 1", actions);
  AddPoints(newCommand, "--points2", &newArguments.points[1], "The outline on picture 2", actions);
  newCommand->add_flag("--background", newArguments.background, "Results start as a copy of the destination picture");
  newCommand->add_flag("--transparent", newArguments.transparent, "Warped pixels are blended half and half with it");
  newCommand->add_flag("--no-auto", newArguments.noAuto, "Switch off \"Render automatically\"");
  newCommand->footer(
      "LIST is \"x,y x,y ...\" in picture pixels; a point ending in \",i\" is an intermediate\n"
      "point (a right-button press). Nothing is rendered.");

  RenderArguments renderArguments;
  CLI::App* renderCommand = app.add_subcommand(
      "render", "Renders both directions of a project and saves it, and the results as pictures when asked");
  renderCommand->add_option("IN.gip", renderArguments.input, "The project to read")->required()->type_name("");
  renderCommand->add_option("OUT.gip", renderArguments.output, "The project to write (none: only the result pictures)")
      ->type_name("");
  renderCommand->add_flag("--smooth", renderArguments.smooth,
                          "Resample: no holes, antialiased edges, area-averaged where minified");
  renderCommand->add_flag("--perspective", renderArguments.perspective,
                          "Map perspective-true: a flat picture seen at an angle looks right");
  renderCommand->add_option("--result1", renderArguments.results[0], "Write result 1 (picture 1 warped into 2) here")
      ->type_name("FILE");
  renderCommand->add_option("--result2", renderArguments.results[1], "Write result 2 (picture 2 warped into 1) here")
      ->type_name("FILE");
  renderCommand->final_callback([&renderArguments] {
    if (!renderArguments.output && !renderArguments.results[0] && !renderArguments.results[1])
      throw CLI::RequiredError("OUT.gip, --result1 or --result2");
  });
  renderCommand->footer(
      "The project's stored options are used. The extension of a result's file selects its format\n"
      "(BMP when it has none).");

  MockupArguments mockupArguments;
  CLI::App* mockupCommand = app.add_subcommand(
      "mockup", "Puts designs whole into the outline on a project's picture 2, perspective-true and smooth");
  mockupCommand
      ->add_option("TEMPLATE.gip", mockupArguments.templateProject,
                   "The project whose picture 2 and outline 2 take the designs")
      ->required()
      ->type_name("");
  mockupCommand->add_option("DESIGN", mockupArguments.designs, "The pictures to put in")->required()->type_name("");
  mockupCommand->add_option("-o,--output", mockupArguments.output, "The mockup's file (one design) or folder (several)")
      ->required()
      ->type_name("OUT");
  AddFormat(mockupCommand, &mockupArguments.format, actions);
  mockupCommand->add_option("--jobs", mockupArguments.jobs, "Designs rendered at once (default: one per core)")
      ->check(CLI::PositiveNumber)
      ->type_name("N");
  mockupCommand->footer(
      "Each design's corners go to the outline's corners from the top left on round clockwise.\n"
      "The mockups show picture 2 around the design. One design's file gets the format of its\n"
      "extension; several go into the folder OUT, named after the designs.");

  InfoArguments infoArguments;
  CLI::App* infoCommand = app.add_subcommand("info", "Describes a picture or a project");
  infoCommand->add_option("FILE", infoArguments.file, "A picture, or a project (.gip)")->required()->type_name("");
  infoCommand->add_flag("--json", infoArguments.json, "Print the same as JSON");
  infoCommand->footer(
      "A picture: size, depth as read and after promotion, pixel checksum. A project: points,\n"
      "corner counters, pictures, options. Checksums are 64-bit FNV-1a over the pixel rows in\n"
      "memory order.");

  ConvertArguments convertArguments;
  CLI::App* convertCommand =
      app.add_subcommand("convert", "Reads a picture as the window loads it and writes it as \"Save picture...\" does");
  convertCommand->add_option("IN", convertArguments.input, "The picture to read")->required()->type_name("");
  convertCommand->add_option("OUT", convertArguments.output, "The picture to write (the extension selects the format)")
      ->required()
      ->type_name("");

  DemoArguments demoArguments;
  CLI::App* demoCommand =
      app.add_subcommand("demo", "Writes a demonstration project with pictures drawn by the program and both results");
  demoCommand->add_option("OUT.gip", demoArguments.project, "The project to write")->required()->type_name("");
  demoCommand->add_flag("--scan", demoArguments.scan,
                        "The scanning job instead: a letter photographed on a table, and its page flat and clean");
  demoCommand->add_option("--photo", demoArguments.photo, "With --scan, also write the photographed letter to FILE")
      ->type_name("FILE");

  DetectArguments detectArguments;
  CLI::App* detectCommand = app.add_subcommand("detect", "Finds the outline of the page a photo shows");
  detectCommand->add_option("PICTURE", detectArguments.picture, "The photo")->required()->type_name("");
  detectCommand->add_flag("--json", detectArguments.json, "Print the points with their fractions of pixels as JSON");
  AddPageChoice(detectCommand, &detectArguments.page);
  detectCommand->footer(
      "Prints the outline on one line as new's --points1 takes it: corner 1 (the page's top left),\n"
      "the points bending side 1, corners 2 and 3, the points bending side 3, corner 4, in whole\n"
      "pixels, bending points ending in \",i\". With --json: {\"points\":[{\"x\":..,\"y\":..,\"corner\":..},\n"
      "...],\"score\":..,\"confidence\":..,\"doubtful\":..,\"from\":\"edges\"|\"text\"}, the score from 0\n"
      "to 1 telling how clearly the page's edges (or its lines of text) show, the confidence the chance\n"
      "that the outline is the page, and a doubtful outline's \"reason\". An open book photographed\n"
      "close up, its page's edges outside the photo, is found from its lines of text (\"from\":\"text\"):\n"
      "the lines give the bent top and bottom, their ends the sides, a margin out; corners may lie\n"
      "outside the photo. Of two facing pages the one nearer the middle is taken, or the one --page\n"
      "names. Ends with status 3 when no page is found, 4 when the outline found is doubtful (it is\n"
      "printed all the same, and the reason is given on stderr).");

  FlattenArguments flattenArguments;
  CLI::App* flattenCommand = app.add_subcommand(
      "flatten", "Makes photographed pages flat and square: each page alone, in its true proportions");
  flattenCommand->add_option("IN", flattenArguments.inputs, "The photos")->required()->type_name("");
  flattenCommand
      ->add_option("-o,--output", flattenArguments.output,
                   "The flat page's file (one photo), a PDF of all the pages (.pdf), or a folder (several)")
      ->required()
      ->type_name("OUT");
  AddPoints(flattenCommand, "--points", &flattenArguments.points,
            "The page's outline on every photo (none: found in each)", actions)
      ->check(CLI::Validator(
          [&actions](std::string& text) {
            const auto presses = actions.parsePoints(text);
            return presses && actions.placesAnOutline(*presses) ? std::string()
                                                                : "the page's outline needs four corners";
          },
          ""));
  flattenCommand
      ->add_option_function<std::string>(
          "--size",
          [&flattenArguments, &actions](const std::string& text) {
            flattenArguments.size = *actions.parsePageSize(text);
          },
          "The flat page's size: auto[@DPI] (default), WxH, a4, a5, letter or legal[@DPI]; WxH! keeps W across")
      ->check(CLI::Validator(
          [&actions](std::string& text) {
            return actions.parsePageSize(text) ? std::string() : "not a page size: " + text;
          },
          ""))
      ->type_name("SIZE");
  flattenCommand->add_flag("--exact", flattenArguments.exact,
                           "The exact renderer, without resampling (still perspective-true)");
  flattenCommand->add_option("--jobs", flattenArguments.jobs, "Photos flattened at once (default: one per core)")
      ->check(CLI::PositiveNumber)
      ->type_name("N");
  flattenCommand->add_flag("--skip-doubtful", flattenArguments.skipDoubtful,
                           "Leave out photos whose page is found in doubt");
  AddPageChoice(flattenCommand, &flattenArguments.page);
  AddWordChoice(flattenCommand, "--look",
                {{"photo", Look::Photo}, {"clean", Look::Clean}, {"grey", Look::Grey}, {"bw", Look::BlackWhite}},
                &flattenArguments.finish.look,
                "photo (default: as photographed), clean (white paper, no shadows or cast), grey, or bw "
                "(black and white)",
                "a look (photo, clean, grey or bw)", "photo|clean|grey|bw");
  AddWordChoice(flattenCommand, "--turn", {{"auto", kTurnUpright}, {"0", 0}, {"90", 1}, {"180", 2}, {"270", 3}},
                &flattenArguments.finish.turn,
                "Turn the flat page clockwise by 0, 90, 180 or 270 degrees, or auto (default): so that its text "
                "reads upright",
                "a turn (auto, 0, 90, 180 or 270)", "auto|0|90|180|270");
  flattenCommand
      ->add_option_function<std::string>(
          "--inset",
          [&flattenArguments](const std::string& text) { flattenArguments.finish.inset = *InsetNamed(text); },
          "A margin trimmed off every side of the flat page: N% of its width and height, or Npx")
      ->check(CLI::Validator(
          [](std::string& text) {
            return InsetNamed(text) ? std::string() : "not an inset (N% below 50, or Npx): " + text;
          },
          ""))
      ->type_name("N%|Npx");
  flattenCommand
      ->add_option("--ocr", flattenArguments.ocr,
                   "Read each page's text in these languages (eng, deu, deu+eng, ...) and put it under the page "
                   "in the PDF, to be searched and copied")
      ->check(CLI::Validator(
          [](std::string& text) {
            const bool named = !text.empty() && text.front() != '+' && text.back() != '+' &&
                               text.find("++") == std::string::npos &&
                               std::all_of(text.begin(), text.end(),
                                           [](unsigned char c) { return std::isalnum(c) || c == '_' || c == '+'; });
            return named ? std::string() : "not languages (such as eng or deu+eng): " + text;
          },
          ""))
      ->type_name("LANGS");
  flattenCommand->add_option("--quality", flattenArguments.quality, "The JPEG quality of a PDF's pages (default 85)")
      ->check(CLI::Range(1, 100))
      ->type_name("1-100");
  AddFormat(flattenCommand, &flattenArguments.format, actions);
  flattenCommand->footer(
      "Each photo's page is found (or given by --points, in new's syntax), and rendered alone into\n"
      "a picture of the flat page's size, perspective-true and smooth. auto: the page's true\n"
      "proportions, its long side as long as the outline's longest; paper sizes at DPI pixels per\n"
      "inch (default 150) and WxH turned to the page (WxH! stays as given, W across). One photo's\n"
      "file gets the format of its extension; several go into the folder OUT, named after the\n"
      "photos; OUT.pdf takes them all, one page each in the order given: a paper size's page at\n"
      "that size, any other at DPI (auto@DPI); colour and grey pages as JPEG, bw at a bit a pixel.\n"
      "An open book photographed close up is found from its lines of text, which come out\n"
      "straight; of two facing pages the one nearer the middle, or the one --page names. A page\n"
      "found in doubt is flattened all the same and named on stderr with the reason\n"
      "(--skip-doubtful leaves it out). Ends with status 3 when a photo shows no page (the others\n"
      "are still flattened), else 4 when a page was doubtful, and 1 when a file could not be read\n"
      "or written.");

  app.footer("COMMAND --help describes one command.");  // after the commands, which would inherit it

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help and the version are printed and end with 0; a problem is reported.
    return app.exit(e) == 0 ? 0 : kUsageError;
  }
  if (*newCommand) return actions.runNew(newArguments);
  if (*renderCommand) return actions.runRender(renderArguments);
  if (*mockupCommand) return actions.runMockup(mockupArguments);
  if (*infoCommand) return actions.runInfo(infoArguments);
  if (*convertCommand) return actions.runConvert(convertArguments);
  if (*detectCommand) return actions.runDetect(detectArguments);
  if (*flattenCommand) return actions.runFlatten(flattenArguments);
  return actions.runDemo(demoArguments);
}

}  // namespace trellimap::cli
