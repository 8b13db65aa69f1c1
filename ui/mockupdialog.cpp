#include "ui/mockupdialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "document/mockups.h"
#include "document/outputfiles.h"
#include "foundation/filedialogs.h"
#include "foundation/ioerror.h"
#include "foundation/messagebox.h"
#include "i18n/translateunit.h"
#include "ui/guarded.h"
#include "ui/translated.h"

namespace trellimap {

TMockupDialog::TMockupDialog(QWidget* parent, const QString& pictureFilter, const QString& designFolder,
                             const QString& outputFolder, const std::string& warning)
    : QDialog(parent), pictureFilter_(pictureFilter.toStdString()), designFolder_(designFolder) {
  setWindowTitle(Tr("Mockups"));
  auto* layout = new QVBoxLayout(this);
  Designs = new QListWidget(this);
  Designs->setSelectionMode(QAbstractItemView::ExtendedSelection);
  AddDesigns = new QPushButton(Tr("Add designs..."), this);
  RemoveDesigns = new QPushButton(Tr("Remove"), this);
  Folder = new QLineEdit(outputFolder, this);
  ChooseFolder = new QPushButton(Tr("Choose folder..."), this);
  Outputs = new QListWidget(this);
  Outputs->setSelectionMode(QAbstractItemView::NoSelection);
  Warning = new QLabel(QString::fromStdString(warning), this);
  Warning->setWordWrap(true);
  Warning->setVisible(!warning.empty());
  Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

  layout->addWidget(new QLabel(Tr("Designs, each put whole into the outline on picture 2:"), this));
  layout->addWidget(Designs);
  auto* designButtons = new QHBoxLayout;
  designButtons->addWidget(AddDesigns);
  designButtons->addWidget(RemoveDesigns);
  designButtons->addStretch();
  layout->addLayout(designButtons);
  layout->addWidget(new QLabel(Tr("Folder:"), this));
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(Folder, 1);
  folderRow->addWidget(ChooseFolder);
  layout->addLayout(folderRow);
  layout->addWidget(new QLabel(Tr("Files to be written:"), this));
  layout->addWidget(Outputs);
  layout->addWidget(Warning);
  layout->addWidget(Buttons);

  connect(AddDesigns, &QPushButton::clicked, this, &TMockupDialog::AskForDesigns);
  connect(RemoveDesigns, &QPushButton::clicked, this, [this] {
    qDeleteAll(Designs->selectedItems());
    ShowOutputs();
  });
  connect(ChooseFolder, &QPushButton::clicked, this, &TMockupDialog::AskForFolder);
  connect(Folder, &QLineEdit::textChanged, this, &TMockupDialog::ShowOutputs);
  connect(Buttons, &QDialogButtonBox::accepted, this, &TMockupDialog::accept);
  connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  ShowOutputs();
}

std::vector<std::string> TMockupDialog::DesignFiles() const {
  std::vector<std::string> files;
  for (int i = 0; i < Designs->count(); ++i) files.push_back(Designs->item(i)->text().toStdString());
  return files;
}

std::string TMockupDialog::OutputFolder() const { return Folder->text().trimmed().toStdString(); }

std::vector<std::string> TMockupDialog::OutputFiles() const {
  return NamesInFolder(DesignFiles(), OutputFolder(), kMockupFormat);
}

void TMockupDialog::accept() {
  if (!Buttons->button(QDialogButtonBox::Ok)->isEnabled()) return;
  const std::vector<std::string> files = OutputFiles();
  std::error_code error;
  const auto there = std::count_if(files.begin(), files.end(),
                                   [&](const std::string& f) { return std::filesystem::exists(f, error); });
  if (there > 0) {
    MsgAnswer answer = MsgAnswer::No;
    Guarded([&] {
      answer = ShowMessage(TranslateFormat("Some of the files to be written are in the folder already (%1). "
                                           "Replace them?",
                                           {std::to_string(there)}),
                           kApplicationTitle, MsgIcon::Question, MsgButtons::YesNo);
    });
    if (answer != MsgAnswer::Yes) return;
  }
  QDialog::accept();
}

void TMockupDialog::AskForDesigns() {
  FileDialogRequest request;
  request.filter = pictureFilter_;
  request.folder = designFolder_.toStdString();
  std::vector<std::string> chosen;
  if (!Dialogs().RunSeveral(request, &chosen) || chosen.empty()) return;
  for (const std::string& file : chosen) Designs->addItem(QString::fromStdString(file));
  designFolder_ = QString::fromStdString(std::filesystem::path(chosen.front()).parent_path().string());
  ShowOutputs();
}

void TMockupDialog::AskForFolder() {
  FileDialogRequest request;
  request.chooseFolder = true;
  request.folder = OutputFolder();
  std::string chosen;
  if (Dialogs().Run(request, &chosen)) Folder->setText(QString::fromStdString(chosen));
}

void TMockupDialog::ShowOutputs() {
  Outputs->clear();
  const bool ready = Designs->count() > 0 && !OutputFolder().empty();
  if (ready)
    for (const std::string& file : OutputFiles()) Outputs->addItem(QString::fromStdString(file));
  RemoveDesigns->setEnabled(Designs->count() > 0);
  Buttons->button(QDialogButtonBox::Ok)->setEnabled(ready);
}

}  // namespace trellimap
