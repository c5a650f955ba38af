// The arithmetic of the retouch window: zoom steps, the conversions between picture and
// window coordinates, the rubber band's rules, the Shift zoom with its centring, the mouse
// rotation's centre and outline, and the texts of the status bar panes.
//
// The window's event handlers only feed mouse points and scroll positions in and draw what
// comes out; every rule the user can observe is here, where it can be tested without a
// display.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "retouch/picture_rect.h"
#include "retouch/rotation.h"

namespace tessaly {

// The five zoom steps, in percent, and the step a new window starts with (100 %).
inline constexpr std::array<int, 5> kZoomSteps{50, 75, 100, 150, 200};
inline constexpr int kDefaultZoomIndex = 2;

// A rubber band narrower than this (in window pixels) is dropped ...
inline constexpr int kMinimumBandWidth = 4;
// ... and so is one lower than this.
inline constexpr int kMinimumBandHeight = 1;

struct ViewPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const ViewPoint&, const ViewPoint&) = default;
};

class RetouchViewGeometry {
 public:
  int ZoomIndex() const { return m_zoomIndex; }
  int ZoomPercent() const { return kZoomSteps[static_cast<std::size_t>(m_zoomIndex)]; }
  bool CanZoomIn() const { return m_zoomIndex < static_cast<int>(kZoomSteps.size()) - 1; }
  bool CanZoomOut() const { return m_zoomIndex > 0; }
  // Sets the zoom step (held within the table); returns whether it changed.
  bool SetZoomIndex(int index);

  void SetPictureSize(int width, int height);
  int PictureWidth() const { return m_pictureWidth; }
  int PictureHeight() const { return m_pictureHeight; }
  // The picture's size at the current zoom: size x zoom / 100, integer division. This is
  // the scroll area of the window.
  int DisplayedWidth() const { return m_pictureWidth * ZoomPercent() / 100; }
  int DisplayedHeight() const { return m_pictureHeight * ZoomPercent() / 100; }

  // The window's client size and its scroll position in display pixels.
  void SetWindowSize(int width, int height);
  int WindowWidth() const { return m_windowWidth; }
  int WindowHeight() const { return m_windowHeight; }
  void SetScroll(ViewPoint scroll) { m_scroll = scroll; }
  ViewPoint Scroll() const { return m_scroll; }
  // The scroll position held within 0 ... display size - window size in each direction.
  ViewPoint ClampedScroll(ViewPoint scroll) const;

  // window = picture x zoom / 100 - scroll; picture = (window + scroll) x 100 / zoom,
  // both with integer division.
  ViewPoint ToWindow(ViewPoint picture) const;
  ViewPoint ToPicture(ViewPoint window) const;
  PictureRect ToWindow(const PictureRect& picture) const;
  PictureRect ToPicture(const PictureRect& window) const;

  // Changing the zoom keeps a tracking rectangle over the same part of the picture: it is
  // taken to picture coordinates at the old zoom and back at the new one. Returns the
  // rectangle in window coordinates at the new zoom (unchanged when the zoom is).
  PictureRect Rezoom(int newIndex, const PictureRect& windowRect);

  // The Shift zoom: one step in (+1) or out (-1) at a clicked window point (none past the
  // ends of the table), then the scroll position that puts the clicked picture point at
  // the window's centre as far as the scroll range allows. Returns whether the zoom
  // changed.
  bool ZoomAt(ViewPoint window, int direction);

  // Scrolling by (dx, dy) display pixels moves a shown rectangle with the picture.
  static PictureRect Scrolled(const PictureRect& windowRect, int dx, int dy);

  // Whether a rubber band dragged from press to release (window pixels) becomes a
  // selection: at least 4 pixels wide and 1 pixel high.
  static bool BandAccepted(ViewPoint press, ViewPoint release);
  // The rubber band as a rectangle in window pixels, whichever way it was dragged.
  static PictureRect Band(ViewPoint press, ViewPoint release);

  // The pieces of an area of the scroll area (the area being painted) that lie right of
  // and below the displayed picture, where the background shows: first the strip on the
  // right, then the one below (as wide as the picture there); none that is empty.
  std::vector<PictureRect> Background(const PictureRect& area) const;

  // The mouse rotation: the displayed picture's centre in window coordinates, the angle a
  // drag describes about it, and the displayed outline turned by an angle.
  ScreenPoint RotationCentre() const;
  int RotationAngle(ViewPoint press, ViewPoint current) const;
  std::array<ScreenPoint, 4> TurnedOutline(int degrees) const;

 private:
  int m_zoomIndex = kDefaultZoomIndex;
  int m_pictureWidth = 0;
  int m_pictureHeight = 0;
  int m_windowWidth = 0;
  int m_windowHeight = 0;
  ViewPoint m_scroll;
};

// ---------------------------------------------------------------- status bar texts
//
// The English format of each text with its arguments in place of %1 and %2; the window
// translates the format and fills it in, tessaly-cli and the tests use the English.

struct StatusText {
  std::string_view format;
  std::array<long long, 2> arguments{};
  int argumentCount = 0;
  // The text with the English format.
  std::string English() const;
  // The text with another format (the English one translated).
  std::string With(std::string_view otherFormat) const;
};

// Pane 1: "640x480".
std::string SizeText(int width, int height);
// Pane 3 and the Photo Properties size: width x height x depth / 8 bytes as "%1 Byte"
// below 1024, "%1 KByte" (truncated) below 1048576, else "%1 MByte".
StatusText ByteSizeText(int width, int height, int bitsPerPixel);
// Pane 0 while the mouse moves: "( %1, %2)" with the picture position.
StatusText PositionText(ViewPoint picture);
// Pane 0 while a rubber band is dragged: both corners with "( %1, %2)" joined by
// "%1 - %2", then " Width : %1 Height : %2".
std::string BandText(const PictureRect& picture, std::string_view pointFormat, std::string_view joinFormat,
                     std::string_view sizeFormat);

inline constexpr std::string_view kPointFormat = "( %1, %2)";
inline constexpr std::string_view kJoinFormat = "%1 - %2";
inline constexpr std::string_view kBandSizeFormat = " Width : %1 Height : %2";

// Replaces %1 and %2 of format by the two texts.
std::string FillFormat(std::string_view format, std::string_view first, std::string_view second = {});

}  // namespace tessaly
