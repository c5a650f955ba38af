// The picture state of a retouch document: the current and the alternate (undo) state,
// the floating pasted picture, the selection and the flags the views follow.
//
// The wx document owns one of these and calls it from its command handlers; the
// operations show their messages through Prompt() at the point of failure and report
// what happened, and the document then runs its one update funnel when something
// changed. Every operation leaves exactly one undo step, and a failed or refused
// operation leaves the picture (and the undo step before it) as they were.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "base/messages.h"
#include "picture/picture.h"
#include "retouch/picture_rect.h"

namespace tessaly {

// How an operation ended.
enum class EditResult {
  kDone,       // the picture changed; one undo step was recorded
  kUnchanged,  // nothing to do (the picture already is what was asked for)
  kRefused,    // not possible here; the reason was shown
  kFailed,     // memory ran out; the message was shown and the picture is as it was
};

// Result codes of pasting a clipboard picture.
enum class PasteResult : int {
  kLoaded = 0,            // the picture floats over the document's picture
  kNoMemory = 1,          // "Not enough memory."
  kTooLarge = 2,          // wider or higher than the document's picture
  kUnsupportedDepth = 3,  // a bit count other than 1, 4, 8, 16 or 24
  kUnreadable = 4,        // the bitmap could not be decoded
  kDeclined = 5,          // the user declined the conversion to 24-bit colour
  // Memory ran out while a palette picture was expanded to 24-bit colour. The expansion
  // is the colour-depth conversion's, so the message is its failure message, "Failed to
  // put the Clipboard.", not the plain memory message of code 1.
  kExpansionFailed = 6,
};

// The form of an undo snapshot: the palette form is taken before a palette picture is
// converted and copies no floating picture.
enum class UndoForm { kTrueColour, kPalette };

struct FloatingPosition {
  int left = 0;
  int top = 0;
  friend bool operator==(const FloatingPosition&, const FloatingPosition&) = default;
};

class RetouchPictureState {
 public:
  // A new document's state: 200 x 200, 24-bit, no pixels yet.
  RetouchPictureState();

  // Takes a picture loaded or handed over; undo, selection and floating picture start
  // afresh.
  void SetPicture(Picture picture);
  // A picture of the given size without pixels (the "New" dialog); the pixels are made
  // white on first use.
  void SetBlank(int width, int height);

  const Picture& Current() const { return m_current.picture; }
  bool HasPixels() const { return !m_current.picture.pixels.empty(); }
  bool IsTrueColour() const { return m_current.picture.bitsPerPixel == 24; }

  bool CanUndo() const { return m_canUndo; }
  // After a save the saved picture is where Undo starts from: nothing is offered.
  void ForgetUndo() { m_canUndo = false; }
  bool DisplayDirty() const { return m_displayDirty; }
  void ClearDisplayDirty() { m_displayDirty = false; }
  bool Modified() const { return m_modified; }

  // Two values the document carries along with the embedded item's native data (written
  // after the size and read back by the embedded loading). Every retouch operation sets
  // them to 0: they describe the picture as it came in, not as it was edited.
  std::uint32_t FirstFurtherValue() const { return m_furtherValues[0]; }
  std::uint32_t SecondFurtherValue() const { return m_furtherValues[1]; }
  void SetFurtherValues(std::uint32_t first, std::uint32_t second) { m_furtherValues = {first, second}; }
  void SetModified(bool modified) { m_modified = modified; }

  // The selection in picture pixels; empty when there is none.
  const PictureRect& Selection() const { return m_current.rect; }
  void SetSelection(const PictureRect& rect) { m_current.rect = rect.Normalized(); }
  void ClearSelection() { m_current.rect = {}; }
  void SelectAll();

  // The floating picture (24-bit rows) and where its top-left corner lies on the picture.
  bool HasFloating() const { return m_current.floating; }
  const Picture& Floating() const { return m_current.floatingPicture; }
  FloatingPosition FloatingAt() const { return m_current.floatingAt; }
  // The end of a drag: the floating picture lies at a new place and Undo is no longer
  // offered.
  void MoveFloating(FloatingPosition at);
  // Esc, Delete and the right button: the floating picture is dropped.
  void DiscardFloating();
  // Stamps the floating picture into the picture at its position (the portion that lies
  // inside the picture). Returns false after showing the failure; a picture that is not
  // 24-bit cannot take the 24-bit rows, so the commit is refused with the picture, the
  // floating picture and the modified mark as they were.
  bool CommitFloating();

  // The picture state the next Undo returns to, and its rectangle: the floating
  // picture's rectangle recorded by a snapshot taken while a picture floated.
  const Picture& Alternate() const { return m_alternate.picture; }
  const PictureRect& AlternateRect() const { return m_alternate.rect; }

  // Copies the current state into the alternate state; creates the white picture first
  // when there are no pixels. Returns false, with the alternate state untouched, when
  // memory runs out.
  bool SaveUndoState(UndoForm form = UndoForm::kTrueColour);
  // Exchanges the two states; nothing is copied.
  void SwapUndoState();
  // The Undo command: swaps the states; the selection survives only as the outline of a
  // floating picture coming back. Refused when there is nothing to undo.
  EditResult Undo();

  // The white picture rule: stride x height bytes of 255 at the current size, 24-bit.
  // Returns false when memory runs out (nothing shown).
  bool CreateWhitePicture();
  // The tone commands' question before their dialog when there are no pixels yet ("No
  // data exist. Adjust ...?"). Returns whether the command goes on; Yes creates the white
  // picture ("Not enough memory." when that fails, and the command still goes on).
  bool ConfirmToneOnEmpty(MessageId question);

  // Tone commands, with signed offsets (slider - 128) and the contrast slider value.
  EditResult AdjustBrightness(int offset);
  EditResult AdjustContrast(int value);
  // The colour dialog's OK path: red, then green, then blue.
  EditResult AdjustColor(int redOffset, int greenOffset, int blueOffset);

  EditResult Sharpen();
  EditResult Soften();
  // The selection when there is one, else the whole picture.
  EditResult Mosaic();

  EditResult Rotate90Right();
  EditResult Rotate90Left();
  EditResult Rotate180();
  // Clockwise by whole degrees; a multiple of 360 changes nothing.
  EditResult RotateFree(int degrees);
  EditResult ScalePercent(int percent);
  EditResult FitCameraSize();
  // Trims the picture to the selection.
  EditResult Crop();

  // Expands a palette picture to 24-bit colour, with an undo snapshot in palette form.
  EditResult ConvertTo24();

  // The Paste command for a packed device-independent bitmap from the clipboard: the
  // undo snapshot, the conversion question for a palette picture, PasteDib, the "same
  // size" question and the messages of the result codes.
  PasteResult Paste(std::span<const std::uint8_t> packedDib);
  // Loads a packed device-independent bitmap (header, colour table, pixels) as the
  // floating picture at (0, 0), expanded to 24-bit colour. Shows nothing.
  PasteResult PasteDib(std::span<const std::uint8_t> packedDib);
  // The same for a picture already decoded from the clipboard.
  PasteResult PastePicture(Picture clip);

 private:
  struct State {
    Picture picture;
    Picture floatingPicture;  // 24-bit rows of the floating picture
    FloatingPosition floatingAt;
    PictureRect rect;  // current: the selection; alternate: see AlternateRect
    bool floating = false;
  };

  State Snapshot(UndoForm form) const;
  // The common frame of the tools: a 24-bit picture (refused otherwise), the white
  // picture when there are no pixels, the snapshot, the operation on the current picture
  // (which replaces its block only when it succeeds), and the common ending.
  template <typename Operation>
  EditResult Change(MessageId failureMessage, Operation&& operation);
  bool RequireTrueColour() const;
  void Changed();

  State m_current;
  State m_alternate;
  bool m_canUndo = false;
  bool m_displayDirty = true;
  bool m_modified = false;
  std::array<std::uint32_t, 2> m_furtherValues{};
};

}  // namespace tessaly
