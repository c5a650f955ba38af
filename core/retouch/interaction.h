// The retouch window's handling of the mouse and the keyboard: the rubber band of a
// selection, the drag of a floating picture, the mouse rotation and the Shift zoom.
//
// The window hands every input to RetouchInteraction together with the document's
// picture state and carries out what comes back: what to paint again, whether to hold or
// let go of the mouse, the cursor, the text of status pane 0 and the one edit the document
// is to make. The selection itself is the document's; the interaction only keeps the
// outline it draws for it (the rubber band as it was dragged), in window coordinates.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "retouch/commands.h"
#include "retouch/picture_rect.h"
#include "retouch/picture_state.h"
#include "retouch/view_geometry.h"

namespace tessaly {

enum class RetouchCursor { kArrow, kCross, kMagnifier, kRotate };

enum class MouseCapture { kKeep, kCapture, kRelease };

enum class Repaint {
  kNone,
  kOutline,  // the previous outline and the current one
  kAll,      // the whole window
};

// What the document is asked to do. At most one per input.
struct PictureEdit {
  enum class Kind {
    kNone,
    kSelect,  // rect becomes the selection
    kClearSelection,
    kMoveFloating,    // the floating picture lies at `at` now
    kCommitFloating,  // the floating picture, moved to `at`, is stamped in; no selection
    kDiscard,         // the floating picture goes and the selection with it
    kRotate,          // the selection goes and the picture turns by `degrees`
  };
  Kind kind = Kind::kNone;
  PictureRect rect;
  FloatingPosition at;
  int degrees = 0;
  friend bool operator==(const PictureEdit&, const PictureEdit&) = default;
};

// Makes the edit on the picture state, as the document does before it tells its views.
// kDone when the picture itself changed (a floating picture stamped in, a turn).
EditResult MakeEdit(RetouchPictureState& picture, const PictureEdit& edit);

struct InteractionActions {
  Repaint repaint = Repaint::kNone;
  PictureRect previousOutline;  // window coordinates, for Repaint::kOutline
  MouseCapture capture = MouseCapture::kKeep;
  std::optional<RetouchCursor> cursor;
  std::optional<ViewPoint> positionText;  // pane 0: "( x, y)" of this picture point
  std::optional<PictureRect> bandText;    // pane 0: this rubber band in picture pixels
  PictureEdit edit;
  bool scrollArea = false;        // the scroll area is the geometry's displayed size now
  bool scrollToGeometry = false;  // the window scrolls to the geometry's position
  bool startSelectionDrag = false;
};

// What the outline drawn over the picture stands for.
enum class OutlineKind { kNone, kBand, kSelection, kFloating };

struct MouseInput {
  ViewPoint at;  // window coordinates
  bool shift = false;
  bool rightHeld = false;  // the other button is down as well
};

// The mouse rotation's overlay in scroll-area pixels: the picture's outline turned by
// the current angle and, while the mouse drags, the line from the centre to the mouse.
struct RotationOverlay {
  std::array<ViewPoint, 4> corners;
  bool line = false;
  ViewPoint centre;
  ViewPoint mouse;
};

// The areas of the window to paint again when an outline (window pixels) comes or goes:
// its four edges with two pixels about them; none for an outline without extent.
std::vector<PictureRect> OutlineEdges(const PictureRect& outline);

class RetouchInteraction {
 public:
  const RetouchViewGeometry& Geometry() const { return m_geometry; }
  // The window's client size and scroll position as they are now. A shown outline keeps
  // its place over the picture when the window has scrolled.
  void SetWindow(int width, int height, ViewPoint scroll);
  // The picture's size changed (a turn, a trim, Undo).
  void SetPictureSize(int width, int height);

  // The mouse.
  InteractionActions Press(const MouseInput& input, const RetouchPictureState& picture);
  InteractionActions Move(ViewPoint at, const RetouchPictureState& picture);
  InteractionActions Release(ViewPoint at, const RetouchPictureState& picture);
  InteractionActions RightPress(const MouseInput& input, const RetouchPictureState& picture);
  InteractionActions DoubleClick();
  // The Shift key going down or up.
  InteractionActions Shift(bool down);
  // Esc, Delete, the right button, minimising or maximising.
  InteractionActions Discard(const RetouchPictureState& picture);
  // The zoom commands.
  InteractionActions SetZoom(int index, const RetouchPictureState& picture);
  // The zoom step a zoom command (a step, Enlargement, Reduction) goes to; none for the
  // other commands.
  std::optional<int> ZoomStepOf(const RetouchCommandRow& row) const;
  // The window's size changed; SetWindow has told the new one.
  InteractionActions Resize(const RetouchPictureState& picture);
  // "Use Mouse": the rotation mode starts without a selection.
  InteractionActions StartRotation();
  // Select All has made a selection: its outline is shown.
  InteractionActions ShowSelection(const RetouchPictureState& picture);
  // Save, Save As and Save to camera end any drag and take the outline away.
  void Reset();
  // The document changed: an outline whose selection or floating picture is gone goes
  // too, and a floating picture's outline follows the picture.
  InteractionActions PictureChanged(const RetouchPictureState& picture);

  // What the command rules look at: the window's drag, outline and zoom with the
  // picture's depth, floating picture and undo step.
  RetouchCommandContext CommandContext(const RetouchPictureState& picture, bool clipboardPicture) const;

  // Where a pasted picture appears: the picture point at the window's corner.
  FloatingPosition PasteCorner() const;

  bool ZoomMode() const { return m_zoomMode; }
  bool RotationMode() const { return m_rotationMode; }
  bool RotationTracking() const { return m_drag == Drag::kRotation; }
  int RotationAngle() const { return m_rotationAngle; }
  RotationOverlay Overlay() const;
  bool Dragging() const { return m_drag != Drag::kNone; }
  bool SelectionShown() const { return m_outlineKind == OutlineKind::kSelection; }
  OutlineKind Outline() const { return m_outlineKind; }
  // The outline in window coordinates; empty when none is drawn.
  const PictureRect& OutlineRect() const { return m_outline; }
  // The same in scroll-area pixels, where the window draws it.
  PictureRect DrawnOutline() const;

 private:
  enum class Drag { kNone, kBand, kFloating, kRotation };

  // Runs a change of the geometry that may move its scroll position, keeping a shown
  // outline over the same part of the picture.
  template <typename Change>
  void KeepOutline(Change&& change);
  InteractionActions ZoomAt(ViewPoint at, int direction, const RetouchPictureState& picture);
  void SetOutline(OutlineKind kind, const PictureRect& rect);
  ViewPoint Held(ViewPoint at) const;
  PictureRect FloatingOutline(const RetouchPictureState& picture, FloatingPosition at) const;

  RetouchViewGeometry m_geometry;
  Drag m_drag = Drag::kNone;
  bool m_zoomMode = false;
  bool m_rotationMode = false;
  int m_rotationAngle = 0;
  OutlineKind m_outlineKind = OutlineKind::kNone;
  PictureRect m_outline;      // window coordinates
  ViewPoint m_press;          // window coordinates of the press that began the drag
  ViewPoint m_dragOffset;     // the press point minus the floating outline's corner
  ViewPoint m_rotationPoint;  // the mouse during a rotation drag (window coordinates)
};

}  // namespace tessaly
