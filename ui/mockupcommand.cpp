#include "ui/mockupcommand.h"

#include <QDialog>

#include "document/mockups.h"
#include "document/outputfiles.h"
#include "i18n/translateunit.h"
#include "ui/filecommands.h"
#include "ui/guarded.h"
#include "ui/mainframe.h"
#include "ui/mockupdialog.h"
#include "ui/outcomemessages.h"

namespace trellimap {

void MockupCommand::Run() {
  const ProjectDocument& doc = host_.Document();
  if (CheckMockupTemplate(doc.workspace()) != TemplateProblem::None)
    return Tell(TranslateUtf8("Place the outline on picture 2 first."), MsgIcon::Information);
  const MockupTemplate from(doc.workspace());
  TMockupDialog dialog(host_.DialogParent(), frame_.OfferedPictureFilter(),
                       designFolder_.isEmpty() ? frame_.OpenDialog1->InitialDir : designFolder_, outputFolder_,
                       from.Warning());
  if (dialog.exec() != QDialog::Accepted) return;
  designFolder_ = dialog.DesignFolder();
  const std::string folder = dialog.OutputFolder();
  outputFolder_ = QString::fromStdString(folder);
  if (!MakeFolder(folder))
    return Tell(TranslateFormat("The folder \"%1\" could not be made.", {folder}), MsgIcon::Error);

  const std::vector<std::string> designs = dialog.DesignFiles();
  const std::vector<std::string> outputs = dialog.OutputFiles();  // as the dialog listed them
  std::vector<MockupOutcome> outcomes;
  Guarded([&] {
    host_.Runner().Run("Making the mockups...",
                       [&](Progress& progress) { outcomes = MakeMockups(from, designs, outputs, progress); });
  });
  size_t written = 0;
  std::string failures;
  for (size_t i = 0; i < outcomes.size(); ++i) {
    if (outcomes[i].kind == MockupOutcome::Kind::Written) ++written;
    if (const std::string failed = MockupFailure(outcomes[i], designs[i], outputs[i]); !failed.empty())
      failures += (failures.empty() ? "" : "\n") + failed;
  }
  host_.Editing().UpdateStatus(TranslateFormat("Mockups written: %1 of %2, in %3",
                                               {std::to_string(written), std::to_string(designs.size()), folder}));
  if (!failures.empty()) Tell(failures, MsgIcon::Error);
}

}  // namespace trellimap
