#pragma once
// Where the main window's controls stand, as the window was designed: each in
// pixels of the bar that holds it. The columns and panes share out what is
// left of the client area by halves (HalfSplit).

#include <QRect>
#include <QWidget>

namespace trellimap::layout {

struct Place {
  int x, y, width, height;
  QRect Rect() const { return {x, y, width, height}; }
};

// The client area between the menu and the status bar at the start.
inline constexpr int kClientWidth = 764;
inline constexpr int kClientHeight = 522;

// The top bar and what it holds.
inline constexpr int kTopBarHeight = 41;
inline constexpr Place kOpenProject{8, 8, 113, 25};
inline constexpr Place kSaveProject{128, 8, 153, 25};
inline constexpr Place kShowOriginal{296, 8, 233, 17};
inline constexpr Place kTransparent{296, 24, 201, 17};
inline constexpr Place kRenderAutomatically{536, 8, 201, 17};
inline constexpr Place kSmooth{536, 24, 113, 17};
inline constexpr Place kPerspective{652, 24, 105, 17};

// A pane's tool row and what it holds; the picture below takes the rest.
inline constexpr int kToolRowHeight = 41;
inline constexpr Place kFileButton{8, 8, 129, 25};
inline constexpr Place kZoomLabel{152, 16, 0, 0};  // sized to its text
inline constexpr Place kZoomEdit{224, 16, 65, 21};
inline constexpr Place kFitButton{292, 16, 21, 21};
inline constexpr Place kRenderButton{296, 8, 81, 25};
inline constexpr int kPaintBoxSize = 105;  // until the first picture is shown
// Room between a result pane's edges and its fit button.
inline constexpr int kOverPaneMargin = 4;

// What the window manager's frame and title bar take around the window, at most as
// far as placing the window goes.
inline constexpr int kFrameAllowance = 8;
inline constexpr int kTitleBarAllowance = 40;

// Room left below each tool row for the pane's picture at the smallest window.
inline constexpr int kMinimumViewHeight = 40;

inline void PlaceAt(QWidget* widget, const Place& place) { widget->setGeometry(place.Rect()); }

}  // namespace trellimap::layout
