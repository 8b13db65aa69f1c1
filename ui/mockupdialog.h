#pragma once
// The dialog "Mockups..." asks in: the design pictures to put into the
// template, and the folder their mockups go into, with the files that will be
// written there.

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <string>
#include <vector>

namespace trellimap {

class TMockupDialog : public QDialog {
  Q_OBJECT
 public:
  // Texts in the language in force. Designs are chosen with `pictureFilter`
  // (as the open-picture dialog has it), starting in `designFolder`;
  // `outputFolder` is proposed; `warning`, when not empty, is shown.
  TMockupDialog(QWidget* parent, const QString& pictureFilter, const QString& designFolder, const QString& outputFolder,
                const std::string& warning);

  // The design pictures in the order listed.
  std::vector<std::string> DesignFiles() const;
  // The folder chosen or typed.
  std::string OutputFolder() const;
  // The file each design's mockup is written to, in the designs' order.
  std::vector<std::string> OutputFiles() const;
  // Where the designs were chosen last.
  const QString& DesignFolder() const { return designFolder_; }

  // Files already there are asked about first; No keeps the dialog open.
  void accept() override;

  QListWidget* Designs = nullptr;
  QPushButton* AddDesigns = nullptr;
  QPushButton* RemoveDesigns = nullptr;  // the designs selected
  QLineEdit* Folder = nullptr;
  QPushButton* ChooseFolder = nullptr;
  QListWidget* Outputs = nullptr;  // what will be written
  QLabel* Warning = nullptr;
  QDialogButtonBox* Buttons = nullptr;

 private:
  void AskForDesigns();
  void AskForFolder();
  // The files to be written follow the designs and the folder; OK needs both.
  void ShowOutputs();

  std::string pictureFilter_;
  QString designFolder_;
};

}  // namespace trellimap
