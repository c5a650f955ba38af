#include "retouch/interaction.h"

#include <algorithm>
#include <utility>

namespace tessaly {
namespace {

bool Contains(const PictureRect& rect, ViewPoint p) {
  const PictureRect r = rect.Normalized();
  return !r.Empty() && p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

InteractionActions RepaintOutline(const PictureRect& previous) {
  InteractionActions actions;
  actions.repaint = Repaint::kOutline;
  actions.previousOutline = previous;
  return actions;
}

InteractionActions RepaintAll() {
  InteractionActions actions;
  actions.repaint = Repaint::kAll;
  return actions;
}

}  // namespace

EditResult MakeEdit(RetouchPictureState& picture, const PictureEdit& edit) {
  switch (edit.kind) {
    case PictureEdit::Kind::kNone: break;
    case PictureEdit::Kind::kSelect: picture.SetSelection(edit.rect); break;
    case PictureEdit::Kind::kClearSelection: picture.ClearSelection(); break;
    case PictureEdit::Kind::kMoveFloating: picture.MoveFloating(edit.at); break;
    case PictureEdit::Kind::kCommitFloating: {
      picture.MoveFloating(edit.at);
      const bool committed = picture.CommitFloating();
      picture.ClearSelection();
      return committed ? EditResult::kDone : EditResult::kFailed;
    }
    case PictureEdit::Kind::kDiscard:
      picture.DiscardFloating();
      picture.ClearSelection();
      break;
    case PictureEdit::Kind::kRotate: picture.ClearSelection(); return picture.RotateFree(edit.degrees);
  }
  return EditResult::kUnchanged;
}

template <typename Change>
void RetouchInteraction::KeepOutline(Change&& change) {
  const ViewPoint before = m_geometry.Scroll();
  change();
  const ViewPoint after = m_geometry.Scroll();
  if (m_outlineKind != OutlineKind::kNone)
    m_outline = RetouchViewGeometry::Scrolled(m_outline, after.x - before.x, after.y - before.y);
}

void RetouchInteraction::SetWindow(int width, int height, ViewPoint scroll) {
  KeepOutline([&] {
    m_geometry.SetWindowSize(width, height);
    m_geometry.SetScroll(m_geometry.ClampedScroll(scroll));
  });
}

void RetouchInteraction::SetPictureSize(int width, int height) {
  KeepOutline([&] { m_geometry.SetPictureSize(width, height); });
}

void RetouchInteraction::SetOutline(OutlineKind kind, const PictureRect& rect) {
  m_outlineKind = kind;
  m_outline = kind == OutlineKind::kNone ? PictureRect{} : rect;
}

ViewPoint RetouchInteraction::Held(ViewPoint at) const {
  // While a band is dragged the pointer stays inside the window.
  return {std::clamp(at.x, 0, std::max(m_geometry.WindowWidth() - 1, 0)),
          std::clamp(at.y, 0, std::max(m_geometry.WindowHeight() - 1, 0))};
}

PictureRect RetouchInteraction::FloatingOutline(const RetouchPictureState& picture, FloatingPosition at) const {
  const Picture& floating = picture.Floating();
  return m_geometry.ToWindow(PictureRect{at.left, at.top, at.left + floating.width, at.top + floating.height});
}

std::vector<PictureRect> OutlineEdges(const PictureRect& outline) {
  const PictureRect r = outline.Normalized();
  if (r.Width() == 0 && r.Height() == 0) return {};
  const int w = r.Width() + 1, h = r.Height() + 1;
  return {{r.left - 2, r.top - 2, r.left + w + 2, r.top + 3},
          {r.left - 2, r.top + h - 3, r.left + w + 2, r.top + h + 2},
          {r.left - 2, r.top - 2, r.left + 3, r.top + h + 2},
          {r.left + w - 3, r.top - 2, r.left + w + 2, r.top + h + 2}};
}

PictureRect RetouchInteraction::DrawnOutline() const {
  const ViewPoint scroll = m_geometry.Scroll();
  return RetouchViewGeometry::Scrolled(m_outline, -scroll.x, -scroll.y);
}

RotationOverlay RetouchInteraction::Overlay() const {
  // Drawn in scroll-area coordinates: the geometry without its scroll.
  RetouchViewGeometry g = m_geometry;
  g.SetScroll({0, 0});
  RotationOverlay overlay;
  const auto corners = g.TurnedOutline(m_rotationAngle);
  for (std::size_t i = 0; i < 4; ++i)
    overlay.corners[i] = {static_cast<int>(corners[i].x), static_cast<int>(corners[i].y)};
  const ScreenPoint centre = g.RotationCentre();
  overlay.line = m_drag == Drag::kRotation;
  overlay.centre = {static_cast<int>(centre.x), static_cast<int>(centre.y)};
  overlay.mouse = {m_rotationPoint.x + m_geometry.Scroll().x, m_rotationPoint.y + m_geometry.Scroll().y};
  return overlay;
}

FloatingPosition RetouchInteraction::PasteCorner() const {
  const ViewPoint corner = m_geometry.ToPicture(ViewPoint{0, 0});
  return {corner.x, corner.y};
}

RetouchCommandContext RetouchInteraction::CommandContext(const RetouchPictureState& picture,
                                                         bool clipboardPicture) const {
  RetouchCommandContext context;
  context.trueColour = picture.IsTrueColour();
  context.selectionShown = SelectionShown();
  context.dragging = Dragging();
  context.floating = picture.HasFloating();
  context.canUndo = picture.CanUndo();
  context.clipboardPicture = clipboardPicture;
  context.zoomIndex = m_geometry.ZoomIndex();
  return context;
}

InteractionActions RetouchInteraction::Press(const MouseInput& input, const RetouchPictureState& picture) {
  if (!picture.IsTrueColour() || input.rightHeld) return {};
  if ((m_zoomMode || input.shift) && !m_rotationMode) return ZoomAt(input.at, +1, picture);
  const ViewPoint p = input.at;
  InteractionActions actions;
  if (picture.HasFloating()) {
    if (Contains(m_outline, p)) {
      const Picture& floating = picture.Floating();
      // A floating picture as large as the picture cannot be moved anywhere.
      if (floating.width == picture.Current().width && floating.height == picture.Current().height) return {};
      m_drag = Drag::kFloating;
      m_dragOffset = {p.x - m_outline.left, p.y - m_outline.top};
      actions.capture = MouseCapture::kCapture;
      return actions;
    }
    // A click outside stamps it in where its outline lies.
    const ViewPoint corner = m_geometry.ToPicture(ViewPoint{m_outline.left, m_outline.top});
    SetOutline(OutlineKind::kNone, {});
    actions = RepaintAll();
    actions.edit = {PictureEdit::Kind::kCommitFloating, {}, {corner.x, corner.y}, 0};
    return actions;
  }
  if (m_rotationMode) {
    m_press = p;
    m_rotationPoint = p;
    m_drag = Drag::kRotation;
    actions.capture = MouseCapture::kCapture;
    return actions;
  }
  if (SelectionShown() && Contains(m_outline, p)) {
    actions.startSelectionDrag = true;
    return actions;
  }
  actions = RepaintOutline(m_outline);
  SetOutline(OutlineKind::kBand, {p.x, p.y, p.x, p.y});
  m_press = p;
  m_drag = Drag::kBand;
  actions.cursor = RetouchCursor::kCross;
  actions.capture = MouseCapture::kCapture;
  return actions;
}

InteractionActions RetouchInteraction::Move(ViewPoint at, const RetouchPictureState&) {
  InteractionActions actions;
  switch (m_drag) {
    case Drag::kBand:
      actions = RepaintOutline(m_outline);
      m_outline = RetouchViewGeometry::Band(m_press, Held(at));
      actions.bandText = m_geometry.ToPicture(m_outline);
      return actions;
    case Drag::kFloating: {
      actions = RepaintOutline(m_outline);
      const int left = at.x - m_dragOffset.x, top = at.y - m_dragOffset.y;
      m_outline = {left, top, left + m_outline.Width(), top + m_outline.Height()};
      return actions;
    }
    case Drag::kRotation:
      m_rotationPoint = at;
      m_rotationAngle = m_geometry.RotationAngle(m_press, at);
      return RepaintAll();
    case Drag::kNone: actions.positionText = m_geometry.ToPicture(at); return actions;
  }
  return actions;
}

InteractionActions RetouchInteraction::Release(ViewPoint at, const RetouchPictureState& picture) {
  InteractionActions actions;
  const Drag drag = std::exchange(m_drag, Drag::kNone);
  switch (drag) {
    case Drag::kBand: {
      actions = RepaintOutline(m_outline);
      const ViewPoint p = Held(at);
      if (RetouchViewGeometry::BandAccepted(m_press, p)) {
        SetOutline(OutlineKind::kSelection, RetouchViewGeometry::Band(m_press, p));
        actions.edit = {PictureEdit::Kind::kSelect, m_geometry.ToPicture(m_outline), {}, 0};
      } else {
        // A click clears the selection; a band too narrow or too low is dropped.
        SetOutline(OutlineKind::kNone, {});
        actions.edit.kind = PictureEdit::Kind::kClearSelection;
      }
      actions.cursor = RetouchCursor::kArrow;
      break;
    }
    case Drag::kFloating: {
      actions = RepaintAll();
      if (!picture.HasFloating()) {
        SetOutline(OutlineKind::kNone, {});
        break;
      }
      const ViewPoint corner = m_geometry.ToPicture(ViewPoint{m_outline.left, m_outline.top});
      const FloatingPosition position{corner.x, corner.y};
      SetOutline(OutlineKind::kFloating, FloatingOutline(picture, position));
      actions.edit = {PictureEdit::Kind::kMoveFloating, {}, position, 0};
      break;
    }
    case Drag::kRotation: {
      actions = RepaintAll();
      m_rotationMode = false;
      const int angle = std::exchange(m_rotationAngle, 0);
      actions.cursor = RetouchCursor::kArrow;
      if (angle % 360 != 0) actions.edit = {PictureEdit::Kind::kRotate, {}, {}, angle};
      break;
    }
    case Drag::kNone: break;
  }
  actions.capture = MouseCapture::kRelease;
  return actions;
}

InteractionActions RetouchInteraction::RightPress(const MouseInput& input, const RetouchPictureState& picture) {
  if ((m_zoomMode || input.shift) && !m_rotationMode) {
    if (!picture.IsTrueColour()) return {};
    return ZoomAt(input.at, -1, picture);
  }
  return Discard(picture);
}

InteractionActions RetouchInteraction::ZoomAt(ViewPoint at, int direction, const RetouchPictureState& picture) {
  InteractionActions actions = RepaintAll();
  const PictureRect shown = m_geometry.ToPicture(m_outline);
  if (picture.HasFloating()) {
    actions.edit.kind = PictureEdit::Kind::kDiscard;
    SetOutline(OutlineKind::kNone, {});
  }
  m_geometry.ZoomAt(at, direction);
  if (SelectionShown()) m_outline = m_geometry.ToWindow(shown);
  actions.scrollArea = true;
  actions.scrollToGeometry = true;
  return actions;
}

InteractionActions RetouchInteraction::DoubleClick() {
  if (!m_rotationMode && m_drag != Drag::kRotation) return {};
  m_rotationMode = false;
  if (m_drag == Drag::kRotation) m_drag = Drag::kNone;
  m_rotationAngle = 0;
  InteractionActions actions = RepaintAll();
  actions.capture = MouseCapture::kRelease;
  actions.cursor = RetouchCursor::kArrow;
  return actions;
}

InteractionActions RetouchInteraction::Shift(bool down) {
  InteractionActions actions;
  if (down) {
    // The zoom mode cannot start while the mouse turns the picture.
    if (m_rotationMode || m_zoomMode) return actions;
    m_zoomMode = true;
    actions.cursor = RetouchCursor::kMagnifier;
  } else if (m_zoomMode) {
    m_zoomMode = false;
    actions.cursor = m_rotationMode ? RetouchCursor::kRotate : RetouchCursor::kArrow;
  }
  return actions;
}

InteractionActions RetouchInteraction::Discard(const RetouchPictureState& picture) {
  InteractionActions actions = picture.HasFloating() ? RepaintAll() : RepaintOutline(m_outline);
  // A band being dragged goes from the screen, but the drag goes on and brings it back
  // with the next move.
  if (m_outlineKind != OutlineKind::kBand)
    SetOutline(OutlineKind::kNone, {});
  else
    m_outline = {};
  actions.edit.kind = PictureEdit::Kind::kDiscard;
  return actions;
}

InteractionActions RetouchInteraction::SetZoom(int index, const RetouchPictureState& picture) {
  const int before = m_geometry.ZoomIndex();
  const PictureRect moved = m_geometry.Rezoom(index, m_outline);
  if (m_geometry.ZoomIndex() == before) return {};
  InteractionActions actions = RepaintAll();
  if (picture.HasFloating()) {
    actions.edit.kind = PictureEdit::Kind::kDiscard;
    SetOutline(OutlineKind::kNone, {});
  } else {
    m_outline = moved;
  }
  actions.scrollArea = true;
  return actions;
}

std::optional<int> RetouchInteraction::ZoomStepOf(const RetouchCommandRow& row) const {
  if (row.command == RetouchCommand::kZoomIn) return m_geometry.ZoomIndex() + 1;
  if (row.command == RetouchCommand::kZoomOut) return m_geometry.ZoomIndex() - 1;
  if (row.zoomIndex >= 0) return row.zoomIndex;
  return std::nullopt;
}

InteractionActions RetouchInteraction::Resize(const RetouchPictureState& picture) {
  InteractionActions actions = RepaintAll();
  actions.scrollArea = true;
  if (picture.HasFloating()) {
    actions.edit.kind = PictureEdit::Kind::kDiscard;
    SetOutline(OutlineKind::kNone, {});
  }
  return actions;
}

InteractionActions RetouchInteraction::StartRotation() {
  SetOutline(OutlineKind::kNone, {});
  m_rotationMode = true;
  m_rotationAngle = 0;
  m_zoomMode = false;
  InteractionActions actions = RepaintAll();
  actions.cursor = RetouchCursor::kRotate;
  actions.edit.kind = PictureEdit::Kind::kClearSelection;
  return actions;
}

InteractionActions RetouchInteraction::ShowSelection(const RetouchPictureState& picture) {
  InteractionActions actions = RepaintOutline(m_outline);
  SetOutline(OutlineKind::kSelection, m_geometry.ToWindow(picture.Selection()));
  return actions;
}

void RetouchInteraction::Reset() {
  m_drag = Drag::kNone;
  SetOutline(OutlineKind::kNone, {});
}

InteractionActions RetouchInteraction::PictureChanged(const RetouchPictureState& picture) {
  SetPictureSize(picture.Current().width, picture.Current().height);
  const PictureRect previous = m_outline;
  const OutlineKind kindBefore = m_outlineKind;
  // The selection the document dropped (a turn, a trim, a save) goes from the window too.
  if (m_outlineKind == OutlineKind::kSelection && picture.Selection().Empty()) SetOutline(OutlineKind::kNone, {});
  if (picture.HasFloating()) {
    if (m_drag != Drag::kFloating) SetOutline(OutlineKind::kFloating, FloatingOutline(picture, picture.FloatingAt()));
  } else if (m_outlineKind == OutlineKind::kFloating) {
    SetOutline(OutlineKind::kNone, {});
  }
  if (previous == m_outline && kindBefore == m_outlineKind) return {};
  return RepaintOutline(previous);
}

}  // namespace tessaly
