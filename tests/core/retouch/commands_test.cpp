// The retouch window's command table: every menu item once, and when each is enabled
// and check-marked.
#include "retouch/commands.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tessaly {
namespace {

// A 24-bit picture, nothing dragged or floating, a picture on the clipboard.
RetouchCommandContext Quiet24() {
  RetouchCommandContext context;
  context.clipboardPicture = true;
  return context;
}

TEST(RetouchCommands, EachCommandAndMenuNameOnce) {
  std::set<std::string_view> names;
  std::set<RetouchCommand> commands;
  for (const RetouchCommandRow& row : RetouchCommands()) {
    EXPECT_TRUE(names.insert(row.menuName).second) << row.menuName;
    EXPECT_TRUE(commands.insert(row.command).second) << row.menuName;
    EXPECT_EQ(FindRetouchCommand(row.menuName), &row);
    EXPECT_EQ(&RetouchCommandRowOf(row.command), &row);
    EXPECT_EQ(row.zoomIndex >= 0, row.rule == CommandRule::kZoomStep) << row.menuName;
  }
  EXPECT_EQ(FindRetouchCommand("ID_NOT_A_COMMAND"), nullptr);
  // Every command has its row: the window looks rows up by command as well.
  for (int c = static_cast<int>(RetouchCommand::kZoom50); c <= static_cast<int>(RetouchCommand::kPrintPreview); ++c)
    EXPECT_TRUE(commands.contains(static_cast<RetouchCommand>(c))) << c;
}

TEST(RetouchCommands, TheShapeCommandsDropTheSelection) {
  std::set<std::string_view> dropping;
  for (const RetouchCommandRow& row : RetouchCommands())
    if (row.dropsSelection) dropping.insert(row.menuName);
  const std::set<std::string_view> expected{
      "ID_ROTATE_180",   "ID_ROTATE_90_RIGHT", "ID_ROTATE_90_LEFT",  "ID_ROTATE_FREE", "ID_ROTATE_MOUSE",
      "ID_SIZE_QUARTER", "ID_SIZE_HALF",       "ID_SIZE_DOUBLE",     "ID_SIZE_FOUR",   "ID_FIT_CAMERA_SIZE",
      "ID_TRIMMING",     "wxID_PASTE",         "ID_DISCARD_FLOATING"};
  EXPECT_EQ(dropping, expected);
}

TEST(RetouchCommands, EnablingFollowsTheRules) {
  struct Case {
    const char* description;
    const char* name;
    RetouchCommandContext context;
    bool enabled;
  };
  RetouchCommandContext palette = Quiet24();
  palette.trueColour = false;
  RetouchCommandContext dragging = Quiet24();
  dragging.dragging = true;
  RetouchCommandContext floating = Quiet24();
  floating.floating = true;
  RetouchCommandContext selected = Quiet24();
  selected.selectionShown = true;
  RetouchCommandContext selectedPalette = selected;
  selectedPalette.trueColour = false;
  RetouchCommandContext noClipboard = Quiet24();
  noClipboard.clipboardPicture = false;
  RetouchCommandContext undo = palette;
  undo.canUndo = true;
  const Case cases[] = {
      {"a tool on a quiet 24-bit picture", "ID_SHARPEN", Quiet24(), true},
      {"a tool waits for 24 bits", "ID_ADJUST_COLOR", palette, false},
      {"a tool waits for the drag", "ID_ROTATE_180", dragging, false},
      {"a tool waits for the floating picture", "ID_MOSAIC", floating, false},
      {"Select All waits for 24 bits", "ID_EDIT_SELECT_ALL", palette, false},
      {"Use Mouse waits for the floating picture", "ID_ROTATE_MOUSE", floating, false},
      {"Trimming needs a selection", "ID_TRIMMING", Quiet24(), false},
      {"Trimming with a selection", "ID_TRIMMING", selected, true},
      {"Trimming needs 24 bits", "ID_TRIMMING", selectedPalette, false},
      {"Copy needs a selection", "wxID_COPY", Quiet24(), false},
      {"Copy with a selection", "wxID_COPY", selected, true},
      {"Paste with a picture on the clipboard", "wxID_PASTE", Quiet24(), true},
      {"Paste without one", "wxID_PASTE", noClipboard, false},
      {"Paste waits for the floating picture", "wxID_PASTE", floating, false},
      {"Paste waits for 24 bits", "wxID_PASTE", palette, false},
      {"the conversion only for a palette picture", "ID_CONVERT_24", palette, true},
      {"nothing to convert", "ID_CONVERT_24", Quiet24(), false},
      {"Photo Properties on a palette picture", "ID_PHOTO_PROPERTIES", palette, true},
      {"Photo Properties waits for the drag", "ID_PHOTO_PROPERTIES", dragging, false},
      {"Undo without a step", "wxID_UNDO", Quiet24(), false},
      {"Undo with a step, whatever the depth", "wxID_UNDO", undo, true},
      {"Save always", "wxID_SAVE", dragging, true},
      {"Save to camera always", "ID_SAVE_TO_CAMERA", floating, true},
      {"Delete always", "ID_DISCARD_FLOATING", palette, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    const RetouchCommandRow* row = FindRetouchCommand(c.name);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(QueryCommand(*row, c.context), (CommandState{c.enabled, std::nullopt}));
  }
}

TEST(RetouchCommands, TheZoomStepsAreCheckMarkedAndTheToolBarStopsAtTheEnds) {
  const char* const steps[] = {"ID_ZOOM_50", "ID_ZOOM_75", "ID_ZOOM_100", "ID_ZOOM_150", "ID_ZOOM_200"};
  for (int current = 0; current < 5; ++current) {
    RetouchCommandContext context = Quiet24();
    context.zoomIndex = current;
    context.trueColour = false;  // the zoom works on every picture
    for (int i = 0; i < 5; ++i) {
      SCOPED_TRACE(steps[i]);
      EXPECT_EQ(QueryCommand(*FindRetouchCommand(steps[i]), context), (CommandState{true, i == current}));
      EXPECT_EQ(FindRetouchCommand(steps[i])->zoomIndex, i);
    }
    EXPECT_EQ(QueryCommand(*FindRetouchCommand("ID_ZOOM_IN"), context).enabled, current < 4);
    EXPECT_EQ(QueryCommand(*FindRetouchCommand("ID_ZOOM_OUT"), context).enabled, current > 0);
  }
}

}  // namespace
}  // namespace tessaly
