#pragma once
// "Scan pages...": a list of photographed pages made into one document. Photos
// are added (chosen or dropped), each page found on arrival and shown as a
// small flat page, doubtful ones marked; a click shows the page in the
// window for review, its outline in pane 1 and its flat page in pane 3;
// pages are put in order by dragging, turned or left out; look, size, turn
// and inset are chosen for all; then the pages go out as one PDF or as
// pictures in a folder, with progress and Cancel. Closing with pages not
// exported asks first.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <optional>
#include <string>
#include <vector>

#include "document/scanbatch.h"
#include "foundation/workrunner.h"
#include "ui/finishfields.h"

namespace trellimap {

// What the list asks of the window.
class ScanHost {
 public:
  virtual WorkRunner& Runner() = 0;
  // Shows a page for review: its photo as picture 1 with `outline`, its flat
  // page made with `choices` as result 1. False when the window keeps its
  // own work (its user would not leave it) or the photo cannot be opened.
  virtual bool ReviewPage(const std::string& photo, const std::vector<PointPress>& outline,
                          const FlattenChoices& choices) = 0;
  // The outline on picture 1 as it stands, adjusted or not.
  virtual std::vector<PointPress> ReviewedOutline() const = 0;

 protected:
  ~ScanHost() = default;
};

class TScanDialog : public QDialog {
  Q_OBJECT
 public:
  // `pictureFilter` is the open dialog's list of picture formats.
  TScanDialog(QWidget* parent, ScanHost& host, std::string pictureFilter);

  // Adds `photos` at the end, each page found; those that cannot be read are named.
  void AddPhotos(const std::vector<std::string>& photos);
  const ScanBatch& Batch() const { return batch_; }
  // Whether the list may go: nothing unexported, or its user says so.
  bool MayClose();
  // Close and Escape: the list goes where it may.
  void reject() override;

  QListWidget* Pages = nullptr;
  QPushButton *AddButton = nullptr, *RemoveButton = nullptr, *TurnLeftButton = nullptr, *TurnRightButton = nullptr;
  FinishFields Finishing;  // look, turn, inset for every page
  QComboBox* Size = nullptr;
  QSpinBox* Dpi = nullptr;
  QCheckBox* ReadText = nullptr;
  QLineEdit* Languages = nullptr;
  QPushButton *ExportPdfButton = nullptr, *ExportPicturesButton = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The list made again from the batch, row `current` selected.
  void ShowPages(int current);
  // The choices of the fields, given to every page.
  void ChoicesChanged();
  FlattenChoices ChosenChoices() const;
  // The page under review takes back its outline from the window.
  void TakeBackReview();
  void Review(int row);
  void Turn(int quarters);
  void Remove();
  void PagesMoved(int from, int to);
  void Export(bool pdf);

  ScanHost& host_;
  std::string pictureFilter_;
  ScanBatch batch_;
  std::optional<size_t> reviewed_;  // the page the window shows
  bool showing_ = false;            // the list is being made: its signals are the program's
};

}  // namespace trellimap
