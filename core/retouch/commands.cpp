#include "retouch/commands.h"

#include <algorithm>
#include <array>

#include "retouch/view_geometry.h"

namespace tessaly {
namespace {

using C = RetouchCommand;
using R = CommandRule;

// The tools and the shape commands work on a 24-bit picture while nothing is dragged or
// floating; the commands that change the picture's shape drop the selection, whose
// pixels would no longer be under it. Trimming and Copy act on the selection itself.
constexpr std::array kRows{
    RetouchCommandRow{C::kZoom50, "ID_ZOOM_50", R::kZoomStep, false, false, false, 0},
    RetouchCommandRow{C::kZoom75, "ID_ZOOM_75", R::kZoomStep, false, false, false, 1},
    RetouchCommandRow{C::kZoom100, "ID_ZOOM_100", R::kZoomStep, false, false, false, 2},
    RetouchCommandRow{C::kZoom150, "ID_ZOOM_150", R::kZoomStep, false, false, false, 3},
    RetouchCommandRow{C::kZoom200, "ID_ZOOM_200", R::kZoomStep, false, false, false, 4},
    RetouchCommandRow{C::kZoomIn, "ID_ZOOM_IN", R::kCanZoomIn, false, false, false, -1},
    RetouchCommandRow{C::kZoomOut, "ID_ZOOM_OUT", R::kCanZoomOut, false, false, false, -1},
    RetouchCommandRow{C::kAdjustColor, "ID_ADJUST_COLOR", R::kQuiet, true, false, false, -1},
    RetouchCommandRow{C::kAdjustContrast, "ID_ADJUST_CONTRAST", R::kQuiet, true, false, false, -1},
    RetouchCommandRow{C::kAdjustBrightness, "ID_ADJUST_BRIGHTNESS", R::kQuiet, true, false, false, -1},
    RetouchCommandRow{C::kSharpen, "ID_SHARPEN", R::kQuiet, true, false, false, -1},
    RetouchCommandRow{C::kSoften, "ID_SOFTEN", R::kQuiet, true, false, false, -1},
    RetouchCommandRow{C::kMosaic, "ID_MOSAIC", R::kQuiet, true, false, false, -1},
    RetouchCommandRow{C::kRotate180, "ID_ROTATE_180", R::kQuiet, true, false, true, -1},
    RetouchCommandRow{C::kRotate90Right, "ID_ROTATE_90_RIGHT", R::kQuiet, true, false, true, -1},
    RetouchCommandRow{C::kRotate90Left, "ID_ROTATE_90_LEFT", R::kQuiet, true, false, true, -1},
    RetouchCommandRow{C::kRotateFree, "ID_ROTATE_FREE", R::kQuiet, true, false, true, -1},
    RetouchCommandRow{C::kRotateMouse, "ID_ROTATE_MOUSE", R::kQuiet, true, false, true, -1},
    RetouchCommandRow{C::kSizeQuarter, "ID_SIZE_QUARTER", R::kQuiet, true, false, true, -1},
    RetouchCommandRow{C::kSizeHalf, "ID_SIZE_HALF", R::kQuiet, true, false, true, -1},
    RetouchCommandRow{C::kSizeDouble, "ID_SIZE_DOUBLE", R::kQuiet, true, false, true, -1},
    RetouchCommandRow{C::kSizeFour, "ID_SIZE_FOUR", R::kQuiet, true, false, true, -1},
    RetouchCommandRow{C::kFitCameraSize, "ID_FIT_CAMERA_SIZE", R::kQuiet, true, false, true, -1},
    RetouchCommandRow{C::kTrimming, "ID_TRIMMING", R::kAlways, true, true, true, -1},
    RetouchCommandRow{C::kConvertTo24, "ID_CONVERT_24", R::kNotTrueColour, false, false, false, -1},
    RetouchCommandRow{C::kSelectAll, "ID_EDIT_SELECT_ALL", R::kQuiet, true, false, false, -1},
    RetouchCommandRow{C::kPhotoProperties, "ID_PHOTO_PROPERTIES", R::kQuiet, false, false, false, -1},
    RetouchCommandRow{C::kCopy, "wxID_COPY", R::kAlways, true, true, false, -1},
    RetouchCommandRow{C::kPaste, "wxID_PASTE", R::kQuietWithPicture, true, false, true, -1},
    RetouchCommandRow{C::kUndo, "wxID_UNDO", R::kCanUndo, false, false, false, -1},
    RetouchCommandRow{C::kDiscard, "ID_DISCARD_FLOATING", R::kAlways, false, false, true, -1},
    RetouchCommandRow{C::kSave, "wxID_SAVE", R::kAlways, false, false, false, -1},
    RetouchCommandRow{C::kSaveAs, "wxID_SAVEAS", R::kAlways, false, false, false, -1},
    RetouchCommandRow{C::kSaveToCamera, "ID_SAVE_TO_CAMERA", R::kAlways, false, false, false, -1},
    RetouchCommandRow{C::kPrint, "wxID_PRINT", R::kAlways, false, false, false, -1},
    RetouchCommandRow{C::kPrintPreview, "wxID_PREVIEW", R::kAlways, false, false, false, -1},
};

}  // namespace

std::span<const RetouchCommandRow> RetouchCommands() { return kRows; }

const RetouchCommandRow* FindRetouchCommand(std::string_view menuName) {
  const auto it = std::find_if(kRows.begin(), kRows.end(), [&](const auto& row) { return row.menuName == menuName; });
  return it == kRows.end() ? nullptr : &*it;
}

const RetouchCommandRow& RetouchCommandRowOf(RetouchCommand command) {
  return *std::find_if(kRows.begin(), kRows.end(), [&](const auto& row) { return row.command == command; });
}

CommandState QueryCommand(const RetouchCommandRow& row, const RetouchCommandContext& context) {
  CommandState state;
  const bool quiet = !context.dragging && !context.floating;
  switch (row.rule) {
    case CommandRule::kAlways: state.enabled = true; break;
    case CommandRule::kQuiet: state.enabled = quiet; break;
    case CommandRule::kQuietWithPicture: state.enabled = quiet && context.clipboardPicture; break;
    case CommandRule::kNotTrueColour: state.enabled = !context.trueColour; break;
    case CommandRule::kCanUndo: state.enabled = context.canUndo; break;
    case CommandRule::kCanZoomIn: state.enabled = context.zoomIndex < static_cast<int>(kZoomSteps.size()) - 1; break;
    case CommandRule::kCanZoomOut: state.enabled = context.zoomIndex > 0; break;
    case CommandRule::kZoomStep:
      state.enabled = true;
      state.checked = context.zoomIndex == row.zoomIndex;
      break;
  }
  if (row.needsTrueColour && !context.trueColour) state.enabled = false;
  if (row.needsSelection && !context.selectionShown) state.enabled = false;
  return state;
}

}  // namespace tessaly
