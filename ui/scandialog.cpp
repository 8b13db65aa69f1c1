#include "ui/scandialog.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QMimeData>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <span>
#include <utility>

#include "codecs/formatregistry.h"
#include "foundation/filedialogs.h"
#include "foundation/ioerror.h"
#include "foundation/messagebox.h"
#include "i18n/translateunit.h"
#include "image/pixmill3.h"
#include "scan/recognition.h"
#include "ui/flattendialog.h"
#include "ui/guarded.h"
#include "ui/outcomemessages.h"
#include "ui/translated.h"

namespace trellimap {
namespace {

// The size box's choices: all but Custom, paper sizes at the resolution box's DPI.
constexpr std::span<const PageSizeChoice> kSizes(kPageSizeChoices, std::size(kPageSizeChoices) - 1);
constexpr int kIconSide = 96;

QIcon IconOf(const dib& thumbnail) {
  const int32_t w = DibWidth(&thumbnail), h = DibHeight(&thumbnail);
  QImage image(std::max(1, w), std::max(1, h), QImage::Format_RGB888);
  image.fill(Qt::lightGray);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t c = DibPixelColour(thumbnail, x, y);
      image.setPixel(
          x, y, qRgb(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF), static_cast<int>(c >> 16 & 0xFF)));
    }
  return QIcon(QPixmap::fromImage(image));
}

// Where a page moved from `from` to `to` leaves the page that stood at `index`.
size_t AfterMove(size_t index, size_t from, size_t to) {
  if (index == from) return to;
  if (from < index && index <= to) return index - 1;
  if (to <= index && index < from) return index + 1;
  return index;
}

}  // namespace

TScanDialog::TScanDialog(QWidget* parent, ScanHost& host, std::string pictureFilter)
    : QDialog(parent), Finishing(this, {}), host_(host), pictureFilter_(std::move(pictureFilter)) {
  setWindowTitle(Tr("Scan pages"));
  setAcceptDrops(true);
  auto* layout = new QVBoxLayout(this);
  Pages = new QListWidget(this);
  Pages->setIconSize({kIconSide, kIconSide});
  Pages->setDragDropMode(QAbstractItemView::InternalMove);
  Pages->setSelectionMode(QAbstractItemView::SingleSelection);
  Pages->setMinimumHeight(3 * kIconSide);
  layout->addWidget(Pages, 1);

  auto* pageButtons = new QHBoxLayout;
  AddButton = new QPushButton(Tr("Add photos..."), this);
  RemoveButton = new QPushButton(Tr("Remove"), this);
  TurnLeftButton = new QPushButton(Tr("Turn left"), this);
  TurnRightButton = new QPushButton(Tr("Turn right"), this);
  for (QPushButton* button : {AddButton, RemoveButton, TurnLeftButton, TurnRightButton}) pageButtons->addWidget(button);
  layout->addLayout(pageButtons);

  auto* form = new QFormLayout;
  Size = new QComboBox(this);
  for (const auto& size : kSizes) Size->addItem(Tr(size.text));
  Dpi = new QSpinBox(this);
  Dpi->setRange(kLeastDpi, kMostDpi);
  Dpi->setValue(kDefaultDpi);
  Dpi->setSuffix(QStringLiteral(" DPI"));
  Dpi->setEnabled(false);  // for paper sizes
  auto* size = new QHBoxLayout;
  size->addWidget(Size, 1);
  size->addWidget(Dpi);
  ReadText = new QCheckBox(Tr("Searchable text in the PDF, in the languages"), this);
  Languages = new QLineEdit(QStringLiteral("eng"), this);
  auto* text = new QHBoxLayout;
  text->addWidget(ReadText);
  text->addWidget(Languages, 1);
  form->addRow(Tr("Look"), Finishing.look);
  form->addRow(Tr("Size"), size);
  form->addRow(Tr("Turn"), Finishing.upright);
  form->addRow(Tr("Inset"), Finishing.insetRow);
  layout->addLayout(form);
  layout->addLayout(text);

  auto* exports = new QHBoxLayout;
  ExportPdfButton = new QPushButton(Tr("Export PDF..."), this);
  ExportPicturesButton = new QPushButton(Tr("Export pictures..."), this);
  auto* close = new QPushButton(Tr("Close"), this);
  exports->addWidget(ExportPdfButton);
  exports->addWidget(ExportPicturesButton);
  exports->addStretch(1);
  exports->addWidget(close);
  layout->addLayout(exports);

  connect(AddButton, &QPushButton::clicked, this, [this] {
    FileDialogRequest request;
    request.filter = pictureFilter_;
    std::vector<std::string> chosen;
    if (Dialogs().RunSeveral(request, &chosen)) AddPhotos(chosen);
  });
  connect(RemoveButton, &QPushButton::clicked, this, &TScanDialog::Remove);
  connect(TurnLeftButton, &QPushButton::clicked, this, [this] { Turn(3); });
  connect(TurnRightButton, &QPushButton::clicked, this, [this] { Turn(1); });
  connect(ExportPdfButton, &QPushButton::clicked, this, [this] { Export(true); });
  connect(ExportPicturesButton, &QPushButton::clicked, this, [this] { Export(false); });
  connect(close, &QPushButton::clicked, this, &TScanDialog::reject);
  connect(Pages, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!showing_) Review(row);
  });
  connect(Pages->model(), &QAbstractItemModel::rowsMoved, this,
          [this](const QModelIndex&, int start, int, const QModelIndex&, int row) {
            if (!showing_) PagesMoved(start, row > start ? row - 1 : row);
          });
  for (QComboBox* box : {Finishing.look, Size, Finishing.upright, Finishing.insetUnit})
    connect(box, &QComboBox::currentIndexChanged, this, &TScanDialog::ChoicesChanged);
  connect(Dpi, &QSpinBox::editingFinished, this, &TScanDialog::ChoicesChanged);
  connect(Finishing.inset, &QDoubleSpinBox::editingFinished, this, &TScanDialog::ChoicesChanged);
  ShowPages(-1);
}

FlattenChoices TScanDialog::ChosenChoices() const {
  FlattenChoices choices;
  choices.size.kind = kSizes[Size->currentIndex()].kind;
  if (choices.size.kind != PageSize::Kind::Auto) choices.size.dpi = Dpi->value();
  choices.finish = Finishing.Chosen();
  return choices;
}

void TScanDialog::ChoicesChanged() {
  Dpi->setEnabled(kSizes[Size->currentIndex()].kind != PageSize::Kind::Auto);
  const FlattenChoices choices = ChosenChoices();
  if (choices.size == batch_.Choices().size && choices.finish == batch_.Choices().finish) return;
  TakeBackReview();
  host_.Runner().Run("Making the pages again...", [&](Progress&) { batch_.SetChoices(choices); });
  ShowPages(Pages->currentRow());
  if (reviewed_) Review(static_cast<int>(*reviewed_));
}

void TScanDialog::AddPhotos(const std::vector<std::string>& photos) {
  TakeBackReview();
  std::vector<std::string> unread;
  host_.Runner().Run("Looking for a page...", [&](Progress& progress) {
    for (size_t i = 0; i < photos.size(); ++i) {
      if (!progress.Report(static_cast<double>(i) / static_cast<double>(photos.size()))) return;
      if (!batch_.Add(photos[i]).done()) unread.push_back(photos[i]);
    }
  });
  ShowPages(Pages->currentRow() < 0 && !batch_.Pages().empty() ? 0 : Pages->currentRow());
  if (!reviewed_ && Pages->currentRow() >= 0) Review(Pages->currentRow());
  if (!unread.empty()) {
    std::string names;
    for (const std::string& name : unread) names += "\n" + name;
    Tell(TranslateUtf8("These files could not be read as pictures:") + names, MsgIcon::Information);
  }
}

void TScanDialog::ShowPages(int current) {
  showing_ = true;
  Pages->clear();
  const std::vector<ScanPage>& pages = batch_.Pages();
  for (size_t i = 0; i < pages.size(); ++i) {
    const ScanPage& page = pages[i];
    QString text = QStringLiteral("%1. %2").arg(i + 1).arg(
        QString::fromStdString(std::filesystem::path(page.photo).filename().string()));
    QString tip = QString::fromStdString(page.photo);
    if (page.Doubtful()) {
      const std::string why = !page.found ? TranslateUtf8("no page found: the whole photo is proposed")
                                          : TranslateFormat("the page found is doubtful (%1)",
                                                            {TranslateUtf8(DoubtWords(page.doubt->reason))});
      text += QStringLiteral("\n\u26a0 ") + QString::fromStdString(why);
      tip += QLatin1Char('\n') + QString::fromStdString(why);
    }
    auto* item = new QListWidgetItem(IconOf(page.thumbnail), text, Pages);
    item->setToolTip(tip);
    if (page.Doubtful()) item->setForeground(QColor(0xB0, 0x40, 0x00));
  }
  Pages->setCurrentRow(std::min(current, Pages->count() - 1));
  const bool any = !pages.empty();
  for (QPushButton* button : {RemoveButton, TurnLeftButton, TurnRightButton})
    button->setEnabled(any && Pages->currentRow() >= 0);
  ExportPdfButton->setEnabled(any);
  ExportPicturesButton->setEnabled(any);
  showing_ = false;
}

void TScanDialog::TakeBackReview() {
  if (!reviewed_ || *reviewed_ >= batch_.Pages().size()) return;
  const std::vector<PointPress> outline = host_.ReviewedOutline();
  if (std::count_if(outline.begin(), outline.end(),
                    [](const PointPress& p) { return p.button == MouseButton::Left; }) == 4)
    batch_.SetOutline(*reviewed_, outline);
}

void TScanDialog::Review(int row) {
  TakeBackReview();
  const bool thumbnailChanged = reviewed_ && *reviewed_ < batch_.Pages().size();
  reviewed_.reset();
  if (thumbnailChanged) {
    const QSignalBlocker quiet(Pages);
    ShowPages(row);
  }
  for (QPushButton* button : {RemoveButton, TurnLeftButton, TurnRightButton}) button->setEnabled(row >= 0);
  if (row < 0) return;
  const auto index = static_cast<size_t>(row);
  const ScanPage& page = batch_.Pages()[index];
  if (host_.ReviewPage(page.photo, page.outline, batch_.ChoicesFor(index))) reviewed_ = index;
}

void TScanDialog::Turn(int quarters) {
  const int row = Pages->currentRow();
  if (row < 0) return;
  TakeBackReview();
  batch_.Turn(static_cast<size_t>(row), quarters);
  ShowPages(row);
  Review(row);
}

void TScanDialog::Remove() {
  const int row = Pages->currentRow();
  if (row < 0) return;
  TakeBackReview();
  reviewed_.reset();
  batch_.Remove(static_cast<size_t>(row));
  ShowPages(row);
  if (Pages->currentRow() >= 0) Review(Pages->currentRow());
}

void TScanDialog::PagesMoved(int from, int to) {
  if (from < 0 || to < 0) return;
  batch_.Move(static_cast<size_t>(from), static_cast<size_t>(to));
  if (reviewed_) reviewed_ = AfterMove(*reviewed_, static_cast<size_t>(from), static_cast<size_t>(to));
  // The numbers in the list follow the new order.
  const int current = Pages->currentRow();
  QTimer::singleShot(0, this, [this, current] { ShowPages(current); });
}

void TScanDialog::Export(bool pdf) {
  TakeBackReview();
  FileDialogRequest request;
  std::string target;
  if (pdf) {
    request.save = true;
    request.filter = TranslateUtf8("PDF document") + " (*.pdf)|*.pdf";
    request.defaultExt = ".pdf";
    request.confirmOverwrite = true;
  } else {
    request.chooseFolder = true;
  }
  if (!Dialogs().Run(request, &target)) return;
  const PdfChoices choices{kPdfJpegQuality, ReadText->isChecked() ? Languages->text().trimmed().toStdString() : ""};
  if (pdf && !choices.ocr.empty()) {
    if (const std::string missing = MissingLanguage(choices.ocr); !missing.empty())
      return Tell(TranslateFormat("There is no text recognition data for the language \"%1\".", {missing}),
                  MsgIcon::Information);
  }
  Outcome outcome = Outcome::Stopped();
  Guarded([&] {
    host_.Runner().Run("Exporting the pages...", [&](Progress& progress) {
      outcome = batch_.Export(target, choices, std::string(kFlatPageExtension), progress);
    });
  });
  if (outcome.failed()) Tell(TranslateFormat("The pages could not be exported: %1", {outcome.detail}), MsgIcon::Error);
}

bool TScanDialog::MayClose() {
  TakeBackReview();
  if (!batch_.Unsaved()) return true;
  MsgAnswer answer = MsgAnswer::No;
  Guarded([&] {
    answer = ShowMessage(TranslateFormat("%1 pages are not exported yet. Close the list all the same?",
                                         {std::to_string(batch_.Pages().size())}),
                         kApplicationTitle, MsgIcon::Question, MsgButtons::YesNo);
  });
  return answer == MsgAnswer::Yes;
}

void TScanDialog::closeEvent(QCloseEvent* event) {
  if (MayClose())
    event->accept();
  else
    event->ignore();
}

void TScanDialog::reject() {
  if (MayClose()) QDialog::reject();
}

void TScanDialog::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TScanDialog::dropEvent(QDropEvent* event) {
  std::vector<std::string> photos;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) photos.push_back(url.toLocalFile().toStdString());
  if (photos.empty()) return;
  event->acceptProposedAction();
  AddPhotos(photos);
}

}  // namespace trellimap
