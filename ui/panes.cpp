#include "ui/panes.h"

#include <QApplication>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/named.h"
#include "ui/windowlayout.h"
#include "view/panegeometry.h"

namespace trellimap {
Pane BuildPane(QWidget* column, const PaneNames& names, bool isResult) {
  Pane p;
  p.panel = Named(new QWidget(column), names.panel);
  auto* stack = new QVBoxLayout(p.panel);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(0);

  p.toolRow = Named(new QWidget(p.panel), names.toolRow);
  p.toolRow->setFixedHeight(layout::kToolRowHeight);
  stack->addWidget(p.toolRow);

  QStyle* style = QApplication::style();
  p.fileButton = Named(new QPushButton(isResult ? "Save picture..." : "Open picture...", p.toolRow), names.fileButton);
  p.fileButton->setIcon(style->standardIcon(isResult ? QStyle::SP_DialogSaveButton : QStyle::SP_DirOpenIcon));
  layout::PlaceAt(p.fileButton, layout::kFileButton);

  p.label = Named(new QLabel("Zoom in %:", p.toolRow), names.label);
  p.label->move(layout::kZoomLabel.x, layout::kZoomLabel.y);
  p.label->adjustSize();

  p.zoom = Named(new TZoomEdit(p.toolRow), names.zoom);
  p.zoom->setSingleStep(kZoomStep);
  p.zoom->setValue(kZoomStart);
  p.zoom->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  layout::PlaceAt(p.zoom, layout::kZoomEdit);

  if (isResult) {
    p.renderButton = Named(new QPushButton("Render", p.toolRow), names.renderButton);
    layout::PlaceAt(p.renderButton, layout::kRenderButton);
  }

  p.scrollBox = Named(new QScrollArea(p.panel), names.scrollBox);
  p.scrollBox->setBackgroundRole(QPalette::Dark);
  p.scrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  p.scrollBox->setWidgetResizable(false);
  p.paintBox = new TPaintBox(QString::fromLatin1(names.paintBox));
  p.paintBox->resize(layout::kPaintBoxSize, layout::kPaintBoxSize);
  p.scrollBox->setWidget(p.paintBox);
  stack->addWidget(p.scrollBox, 1);
  return p;
}

}  // namespace trellimap
