#pragma once
// The four panes of the main window: each a panel with a tool row (file
// button, zoom label and edit, and for results a render button) above a
// scroll box that holds the pane's drawing area.

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QWidget>

#include "ui/paintbox.h"
#include "ui/zoomedit.h"

namespace trellimap {

struct PaneNames {
  const char* panel;
  const char* toolRow;
  const char* fileButton;
  const char* label;
  const char* zoom;
  const char* renderButton;  // null for the picture panes
  const char* scrollBox;
  const char* paintBox;
};

struct Pane {
  QWidget* panel = nullptr;
  QWidget* toolRow = nullptr;
  QPushButton* fileButton = nullptr;  // "Open picture..." or "Save picture..."
  QLabel* label = nullptr;
  TZoomEdit* zoom = nullptr;
  QPushButton* renderButton = nullptr;
  QScrollArea* scrollBox = nullptr;
  TPaintBox* paintBox = nullptr;
};

// The names of panes 1 to 4: pictures 1 and 2 above, their results below.
inline constexpr PaneNames kPaneNames[4] = {
    {"Panel4", "Panel8", "Open1Btn", "Label1", "ZoomEd", nullptr, "ScrollBox1", "PaintBox1"},
    {"Panel6", "Panel9", "Open2Btn", "Label2", "ZoomEd2", nullptr, "ScrollBox2", "PaintBox2"},
    {"Panel5", "Panel10", "BitBtn3", "Label3", "Zoomed3", "BerechnenBtn", "ScrollBox3", "PaintBox3"},
    {"Panel7", "Panel11", "BitBtn4", "Label4", "ZoomEd4", "Render2Btn", "ScrollBox4", "PaintBox4"},
};

// Builds a pane inside `column`; picture panes get "Open picture...",
// result panes "Save picture..." and "Render".
Pane BuildPane(QWidget* column, const PaneNames& names, bool isResult);

// Zoom edits step by 10 and start at 30 (the limits are in panegeometry.h).
inline constexpr int kZoomStep = 10;
inline constexpr int kZoomStart = 30;

}  // namespace trellimap
