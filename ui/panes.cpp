#include "ui/panes.h"

#include <QApplication>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/named.h"
#include "workspace/panegeometry.h"

namespace trellimap {
namespace {

constexpr int kToolRowHeight = 41;
constexpr int kDesignPaintBoxSize = 105;

}  // namespace

Pane BuildPane(QWidget* column, const PaneNames& names, bool isResult) {
  Pane p;
  p.panel = Named(new QWidget(column), names.panel);
  auto* layout = new QVBoxLayout(p.panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  p.toolRow = Named(new QWidget(p.panel), names.toolRow);
  p.toolRow->setFixedHeight(kToolRowHeight);
  layout->addWidget(p.toolRow);

  QStyle* style = QApplication::style();
  p.fileButton = Named(new QPushButton(isResult ? "Save picture..." : "Open picture...", p.toolRow), names.fileButton);
  p.fileButton->setIcon(style->standardIcon(isResult ? QStyle::SP_DialogSaveButton : QStyle::SP_DirOpenIcon));
  p.fileButton->setGeometry(8, 8, 129, 25);

  p.label = Named(new QLabel("Zoom in %:", p.toolRow), names.label);
  p.label->move(152, 16);
  p.label->adjustSize();

  p.zoom = Named(new TZoomEdit(p.toolRow), names.zoom);
  p.zoom->setSingleStep(kZoomStep);
  p.zoom->setValue(kZoomStart);
  p.zoom->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  p.zoom->setGeometry(224, 16, 65, 21);

  if (isResult) {
    p.renderButton = Named(new QPushButton("Render", p.toolRow), names.renderButton);
    p.renderButton->setGeometry(296, 8, 81, 25);
  }

  p.scrollBox = Named(new QScrollArea(p.panel), names.scrollBox);
  p.scrollBox->setBackgroundRole(QPalette::Dark);
  p.scrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  p.scrollBox->setWidgetResizable(false);
  p.paintBox = new TPaintBox(QString::fromLatin1(names.paintBox));
  p.paintBox->resize(kDesignPaintBoxSize, kDesignPaintBoxSize);
  p.scrollBox->setWidget(p.paintBox);
  layout->addWidget(p.scrollBox, 1);
  return p;
}

}  // namespace trellimap
