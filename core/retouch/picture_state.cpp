#include "retouch/picture_state.h"

#include <algorithm>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "base/byte_reader.h"
#include "base/prompt.h"
#include "formats/bmp.h"
#include "retouch/convert.h"
#include "retouch/filters.h"
#include "retouch/geometry.h"
#include "retouch/tone.h"

namespace tessaly {
namespace {

// A new document's picture before anything is loaded or created.
constexpr int kNewDocumentSize = 200;

bool IsPasteDepth(int bitsPerPixel) {
  return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 24;
}

// The fields of a packed bitmap's info header that paste looks at before decoding.
struct DibHeader {
  std::uint32_t size = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative for rows stored top row first
  int bitCount = 0;
};

std::optional<DibHeader> ReadDibHeader(std::span<const std::uint8_t> dib) {
  ByteReader reader(dib);
  DibHeader header;
  header.size = reader.U32LE();
  header.width = reader.I32LE();
  header.height = reader.I32LE();
  reader.Skip(2);  // planes
  header.bitCount = reader.U16LE();
  if (!reader.Ok()) return std::nullopt;
  return header;
}

}  // namespace

RetouchPictureState::RetouchPictureState() { SetBlank(kNewDocumentSize, kNewDocumentSize); }

void RetouchPictureState::SetPicture(Picture picture) {
  m_current = State{};
  m_current.picture = std::move(picture);
  m_alternate = State{};
  m_canUndo = false;
  m_displayDirty = true;
  m_modified = false;
  m_furtherValues = {};
}

void RetouchPictureState::SetBlank(int width, int height) {
  Picture blank;
  blank.width = width;
  blank.height = height;
  blank.bitsPerPixel = 24;
  SetPicture(std::move(blank));
}

void RetouchPictureState::SelectAll() { m_current.rect = {0, 0, m_current.picture.width, m_current.picture.height}; }

void RetouchPictureState::MoveFloating(FloatingPosition at) {
  if (!m_current.floating) return;
  m_current.floatingAt = at;
  m_canUndo = false;
  m_displayDirty = true;
}

void RetouchPictureState::DiscardFloating() {
  if (!m_current.floating && m_current.floatingPicture.pixels.empty()) return;
  m_current.floatingPicture = Picture{};
  m_current.floating = false;
  m_canUndo = false;
  m_displayDirty = true;
}

bool RetouchPictureState::CommitFloating() {
  if (!m_current.floating) return true;
  if (m_current.picture.bitsPerPixel != 24 || m_current.floatingPicture.bitsPerPixel != 24) {
    Prompt().Show(kMsgFailedToPutClipboard);
    return false;
  }
  if (!SaveUndoState()) {
    Prompt().Show(kMsgFailedToPutClipboard);
    return false;
  }
  Picture& picture = m_current.picture;
  const Picture& floating = m_current.floatingPicture;
  const FloatingPosition at = m_current.floatingAt;
  // Only the portion of the floating picture that lies on the picture is stamped in; it may
  // have been dragged partly past an edge.
  const PictureRect area = PictureRect{at.left, at.top, at.left + floating.width, at.top + floating.height}.ClippedTo(
      picture.width, picture.height);
  if (!area.Empty()) {
    const std::size_t bytes = 3 * static_cast<std::size_t>(area.Width());
    const std::size_t skip = 3 * static_cast<std::size_t>(area.left - at.left);
    for (int y = area.top; y < area.bottom; ++y)
      std::copy_n(floating.Line(y - at.top) + skip, bytes, picture.Line(y) + 3 * static_cast<std::size_t>(area.left));
  }
  m_current.floatingPicture = Picture{};
  m_current.floating = false;
  Changed();
  return true;
}

RetouchPictureState::State RetouchPictureState::Snapshot(UndoForm form) const {
  State snapshot;
  snapshot.picture = m_current.picture;
  snapshot.floatingAt = m_current.floatingAt;
  if (form == UndoForm::kTrueColour && m_current.floating) {
    const Picture& floating = m_current.floatingPicture;
    snapshot.floatingPicture = floating;
    snapshot.floating = true;
    snapshot.rect = {m_current.floatingAt.left, m_current.floatingAt.top, m_current.floatingAt.left + floating.width,
                     m_current.floatingAt.top + floating.height};
  }
  return snapshot;
}

bool RetouchPictureState::SaveUndoState(UndoForm form) {
  if (!HasPixels() && !CreateWhitePicture()) return false;
  try {
    State snapshot = Snapshot(form);
    m_alternate = std::move(snapshot);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void RetouchPictureState::SwapUndoState() { std::swap(m_current, m_alternate); }

EditResult RetouchPictureState::Undo() {
  if (!m_canUndo) {
    Prompt().Show(kMsgNothingToUndo);
    return EditResult::kRefused;
  }
  SwapUndoState();
  // The rectangle that comes back is the outline of a floating picture returning to its
  // old place; without one there is no selection.
  if (m_current.rect.Empty() || !m_current.floating) {
    m_current.rect = {};
    if (m_current.floating) {
      m_current.floating = false;
      m_current.floatingPicture = Picture{};
    }
  }
  m_displayDirty = true;
  m_modified = true;
  return EditResult::kDone;
}

bool RetouchPictureState::CreateWhitePicture() {
  Picture& picture = m_current.picture;
  if (picture.width < 1 || picture.height < 1) return false;
  try {
    const std::size_t bytes = RowStride(picture.width, 24) * static_cast<std::size_t>(picture.height);
    std::vector<std::uint8_t> white(bytes, 255);
    picture.pixels = std::move(white);
  } catch (const std::bad_alloc&) {
    return false;
  }
  picture.bitsPerPixel = 24;
  picture.colourTable.clear();
  picture.compression = 0;
  picture.imageSize = static_cast<std::uint32_t>(picture.pixels.size());
  m_displayDirty = true;
  return true;
}

bool RetouchPictureState::ConfirmToneOnEmpty(MessageId question) {
  if (HasPixels()) return true;
  if (Prompt().Show(question, PromptButtons::kYesNo) != PromptAnswer::kYes) return false;
  if (!CreateWhitePicture()) Prompt().Show(kMsgNotEnoughMemory);
  return true;
}

bool RetouchPictureState::RequireTrueColour() const {
  if (IsTrueColour()) return true;
  Prompt().Show(kMsgNeeds24BitColour);
  return false;
}

void RetouchPictureState::Changed() {
  m_furtherValues = {};
  m_modified = true;
  m_displayDirty = true;
  m_canUndo = true;
}

template <typename Operation>
EditResult RetouchPictureState::Change(MessageId failureMessage, Operation&& operation) {
  if (!RequireTrueColour()) return EditResult::kRefused;
  if (!HasPixels() && !CreateWhitePicture()) {
    Prompt().Show(kMsgNotEnoughMemory);
    return EditResult::kFailed;
  }
  // The snapshot is held aside until the operation has succeeded, so that a failure
  // leaves the undo step before it in place as well.
  std::optional<State> snapshot;
  try {
    snapshot.emplace(Snapshot(UndoForm::kTrueColour));
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
    return EditResult::kFailed;
  }
  try {
    operation(m_current.picture);
  } catch (const std::bad_alloc&) {
    Prompt().Show(failureMessage);
    return EditResult::kFailed;
  }
  m_alternate = std::move(*snapshot);
  Changed();
  return EditResult::kDone;
}

EditResult RetouchPictureState::AdjustBrightness(int offset) {
  return Change(kMsgNotEnoughMemory, [&](Picture& p) { tessaly::AdjustBrightness(p, offset); });
}

EditResult RetouchPictureState::AdjustContrast(int value) {
  return Change(kMsgNotEnoughMemory, [&](Picture& p) { tessaly::AdjustContrast(p, value); });
}

EditResult RetouchPictureState::AdjustColor(int redOffset, int greenOffset, int blueOffset) {
  return Change(kMsgNotEnoughMemory, [&](Picture& p) { tessaly::AdjustColor(p, redOffset, greenOffset, blueOffset); });
}

EditResult RetouchPictureState::Sharpen() {
  return Change(kMsgNotEnoughMemory, [](Picture& p) { tessaly::Sharpen(p); });
}

EditResult RetouchPictureState::Soften() {
  return Change(kMsgNotEnoughMemory, [](Picture& p) { tessaly::Soften(p, kSoftenWindow); });
}

EditResult RetouchPictureState::Mosaic() {
  const PictureRect selection = m_current.rect;
  if (!selection.Empty() && selection.ClippedTo(m_current.picture.width, m_current.picture.height).Empty()) {
    Prompt().Show(kMsgSelectionOutsidePicture);
    return EditResult::kRefused;
  }
  return Change(kMsgNotEnoughMemory, [&](Picture& p) { tessaly::Mosaic(p, selection, kMosaicBlock); });
}

EditResult RetouchPictureState::Rotate90Right() {
  if (!RequireTrueColour()) return EditResult::kRefused;
  if (!QuarterTurnFits(m_current.picture.width, m_current.picture.height)) {
    Prompt().Show(kMsgCannotRotate);
    return EditResult::kRefused;
  }
  const EditResult result = Change(kMsgRotateFailed, [](Picture& p) { tessaly::Rotate90Right(p); });
  if (result == EditResult::kDone) ClearSelection();
  return result;
}

EditResult RetouchPictureState::Rotate90Left() {
  if (!RequireTrueColour()) return EditResult::kRefused;
  if (!QuarterTurnFits(m_current.picture.width, m_current.picture.height)) {
    Prompt().Show(kMsgCannotRotate);
    return EditResult::kRefused;
  }
  const EditResult result = Change(kMsgRotateFailed, [](Picture& p) { tessaly::Rotate90Left(p); });
  if (result == EditResult::kDone) ClearSelection();
  return result;
}

EditResult RetouchPictureState::Rotate180() {
  const EditResult result = Change(kMsgRotateFailed, [](Picture& p) { tessaly::Rotate180(p); });
  if (result == EditResult::kDone) ClearSelection();
  return result;
}

EditResult RetouchPictureState::RotateFree(int degrees) {
  if (!RequireTrueColour()) return EditResult::kRefused;
  if (degrees % 360 == 0) return EditResult::kUnchanged;
  // The limit is checked before the snapshot, so that a refused turn keeps the undo
  // step of the operation before it.
  if (!WithinSizeLimit(FreeRotationSize(m_current.picture.width, m_current.picture.height, degrees))) {
    Prompt().Show(kMsgCannotRotate);
    return EditResult::kRefused;
  }
  const EditResult result = Change(kMsgRotateFailed, [&](Picture& p) { tessaly::RotateFree(p, degrees); });
  if (result == EditResult::kDone) ClearSelection();
  return result;
}

EditResult RetouchPictureState::ScalePercent(int percent) {
  if (!RequireTrueColour()) return EditResult::kRefused;
  const PictureSize size = ScaledSize(m_current.picture.width, m_current.picture.height, percent);
  if (!WithinSizeLimit(size)) {
    Prompt().Show(kMsgEnlargeLimit);
    return EditResult::kRefused;
  }
  // A reduction of a picture narrower or lower than the factor would leave nothing.
  if (size.width < 1 || size.height < 1) {
    Prompt().Show(kMsgPictureTooSmall);
    return EditResult::kRefused;
  }
  const EditResult result = Change(kMsgNotEnoughMemory, [&](Picture& p) { Resample(p, size.width, size.height); });
  if (result == EditResult::kDone) ClearSelection();
  return result;
}

EditResult RetouchPictureState::FitCameraSize() {
  if (!RequireTrueColour()) return EditResult::kRefused;
  if (!ComputeCameraFit(m_current.picture.width, m_current.picture.height).needed) return EditResult::kUnchanged;
  const EditResult result = Change(kMsgNotEnoughMemory, [](Picture& p) { FitToCamera(p); });
  if (result == EditResult::kDone) ClearSelection();
  return result;
}

EditResult RetouchPictureState::Crop() {
  if (!RequireTrueColour()) return EditResult::kRefused;
  const PictureRect selection = m_current.rect;
  if (selection.Empty()) return EditResult::kUnchanged;
  // The selection may reach past the picture's edges; only what lies inside is kept.
  const PictureRect area = selection.ClippedTo(m_current.picture.width, m_current.picture.height);
  if (area.Empty()) {
    Prompt().Show(kMsgSelectionOutsidePicture);
    return EditResult::kRefused;
  }
  const EditResult result = Change(
      kMsgNotEnoughMemory, [&](Picture& p) { tessaly::Crop(p, area.left, area.top, area.Width(), area.Height()); });
  if (result == EditResult::kDone) ClearSelection();
  return result;
}

EditResult RetouchPictureState::ConvertTo24() {
  const Picture& picture = m_current.picture;
  if (picture.bitsPerPixel != 1 && picture.bitsPerPixel != 4 && picture.bitsPerPixel != 8)
    return EditResult::kUnchanged;
  if (!HasPixels()) return EditResult::kUnchanged;
  std::optional<State> snapshot;
  try {
    snapshot.emplace(Snapshot(UndoForm::kPalette));
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
    return EditResult::kFailed;
  }
  try {
    if (!tessaly::ConvertTo24(m_current.picture)) return EditResult::kUnchanged;
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgFailedToPutClipboard);
    return EditResult::kFailed;
  }
  m_alternate = std::move(*snapshot);
  Changed();
  return EditResult::kDone;
}

PasteResult RetouchPictureState::Paste(std::span<const std::uint8_t> packedDib) {
  // The snapshot is held aside until the paste has succeeded, so that a refused or
  // declined paste keeps the undo step before it.
  std::optional<State> snapshot;
  if (HasPixels()) {
    try {
      snapshot.emplace(Snapshot(UndoForm::kTrueColour));
    } catch (const std::bad_alloc&) {
      Prompt().Show(kMsgNotEnoughMemory);
      return PasteResult::kNoMemory;
    }
  }
  const std::optional<DibHeader> header = ReadDibHeader(packedDib);
  if (header && header->bitCount != 24 &&
      Prompt().Show(kMsgConvertTo24Ask, PromptButtons::kYesNo) != PromptAnswer::kYes)
    return PasteResult::kDeclined;

  const PasteResult result = PasteDib(packedDib);
  switch (result) {
    case PasteResult::kLoaded: break;
    case PasteResult::kNoMemory: Prompt().Show(kMsgNotEnoughMemory); return result;
    case PasteResult::kExpansionFailed: Prompt().Show(kMsgFailedToPutClipboard); return result;
    case PasteResult::kTooLarge: Prompt().Show(kMsgClipboardTooLarge); return result;
    case PasteResult::kUnsupportedDepth:
    case PasteResult::kUnreadable: Prompt().Show(kMsgFailedToReadClipboard); return result;
    case PasteResult::kDeclined: return result;
  }
  if (snapshot) m_alternate = std::move(*snapshot);

  const Picture& floating = m_current.floatingPicture;
  if (floating.width == m_current.picture.width && floating.height == m_current.picture.height) {
    if (Prompt().Show(kMsgPastedSameSize, PromptButtons::kYesNo) == PromptAnswer::kYes) {
      CommitFloating();
      ClearSelection();
    } else {
      DiscardFloating();
    }
  }
  return PasteResult::kLoaded;
}

PasteResult RetouchPictureState::PasteDib(std::span<const std::uint8_t> packedDib) {
  const std::optional<DibHeader> header = ReadDibHeader(packedDib);
  if (!header || header->size < 40) return PasteResult::kUnreadable;
  // The size is judged before anything is allocated for the pixels.
  const std::int64_t height = header->height < 0 ? -header->height : header->height;
  if (header->width > m_current.picture.width || height > m_current.picture.height) return PasteResult::kTooLarge;
  if (header->bitCount != 1 && header->bitCount != 4 && header->bitCount != 8 && header->bitCount != 16 &&
      header->bitCount != 24)
    return PasteResult::kUnsupportedDepth;
  Picture clip;
  try {
    if (!CBMP::ReadPackedDib(packedDib, clip)) return PasteResult::kUnreadable;
  } catch (const std::bad_alloc&) {
    return PasteResult::kNoMemory;
  }
  return PastePicture(std::move(clip));
}

PasteResult RetouchPictureState::PastePicture(Picture clip) {
  if (clip.width > m_current.picture.width || clip.height > m_current.picture.height) return PasteResult::kTooLarge;
  if (!IsPasteDepth(clip.bitsPerPixel)) return PasteResult::kUnsupportedDepth;
  if (clip.width < 1 || clip.height < 1 || clip.pixels.size() < clip.Stride() * static_cast<std::size_t>(clip.height))
    return PasteResult::kUnreadable;
  try {
    if (clip.bitsPerPixel != 24) tessaly::ConvertTo24(clip);
  } catch (const std::bad_alloc&) {
    return PasteResult::kExpansionFailed;
  }
  m_current.floatingPicture = std::move(clip);
  m_current.floatingAt = {0, 0};
  m_current.floating = true;
  m_canUndo = false;
  m_displayDirty = true;
  return PasteResult::kLoaded;
}

}  // namespace tessaly
