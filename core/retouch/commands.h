// The commands of the retouch window as a table: the menu item's name, when it is
// enabled (and, for the zoom steps, check-marked), whether it needs a 24-bit picture or a
// selection, and whether it drops the selection. The window's menu handlers and its
// update handlers both consult it, so that an accelerator obeys the same rule as the menu.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace tessaly {

enum class RetouchCommand {
  kZoom50,
  kZoom75,
  kZoom100,
  kZoom150,
  kZoom200,
  kZoomIn,
  kZoomOut,
  kAdjustColor,
  kAdjustContrast,
  kAdjustBrightness,
  kSharpen,
  kSoften,
  kMosaic,
  kRotate180,
  kRotate90Right,
  kRotate90Left,
  kRotateFree,
  kRotateMouse,
  kSizeQuarter,
  kSizeHalf,
  kSizeDouble,
  kSizeFour,
  kFitCameraSize,
  kTrimming,
  kConvertTo24,
  kSelectAll,
  kPhotoProperties,
  kCopy,
  kPaste,
  kUndo,
  kDiscard,
  kSave,
  kSaveAs,
  kSaveToCamera,
  kPrint,
  kPrintPreview,
};

// What decides whether a command is enabled, beyond its plain requirements.
enum class CommandRule {
  kAlways,
  kQuiet,             // no mouse drag under way and no picture floating
  kQuietWithPicture,  // the same, and the clipboard offers a picture (Paste)
  kNotTrueColour,     // only a palette picture can be converted
  kCanUndo,
  kCanZoomIn,
  kCanZoomOut,
  kZoomStep,  // always enabled; check-marked when it is the current zoom
};

struct RetouchCommandRow {
  RetouchCommand command;
  std::string_view menuName;  // the item's name in the window's menu resource
  CommandRule rule;
  bool needsTrueColour;
  bool needsSelection;
  bool dropsSelection;  // the document lets the selection go when the command runs
  int zoomIndex;        // the zoom step a kZoomStep command sets; -1 for the others
};

std::span<const RetouchCommandRow> RetouchCommands();
const RetouchCommandRow* FindRetouchCommand(std::string_view menuName);
const RetouchCommandRow& RetouchCommandRowOf(RetouchCommand command);

// What the rules look at.
struct RetouchCommandContext {
  bool trueColour = true;
  bool selectionShown = false;
  bool dragging = false;
  bool floating = false;
  bool canUndo = false;
  bool clipboardPicture = false;
  int zoomIndex = 2;
};

struct CommandState {
  bool enabled = false;
  std::optional<bool> checked;  // set only for the check-marked items
  friend bool operator==(const CommandState&, const CommandState&) = default;
};

CommandState QueryCommand(const RetouchCommandRow& row, const RetouchCommandContext& context);

}  // namespace tessaly
