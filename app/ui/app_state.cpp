#include "ui/app_state.h"

#include "base/ini_file.h"

namespace tessaly::ui {

const DialogChoiceSetting kDialogChoices[7] = {
    {DialogChoice::kAlbumOpen, "Last Used Dir", "Last Used Ext", "Album", &AppState::albumDir,
     &AppState::albumFilterIndex},
    {DialogChoice::kAlbumSave, "Last Saved Dir", "Last Saved Ext", "Album", &AppState::albumSaveDir, nullptr},
    {DialogChoice::kRetouchOpen, "Last Used Dir", "Last Used Ext", "Retouch", &AppState::retouchDir,
     &AppState::retouchFilterIndex},
    {DialogChoice::kRetouchSave, "Last Saved Dir", "Last Saved Ext", "Retouch", &AppState::retouchSaveDir,
     &AppState::retouchSaveFilterIndex},
    {DialogChoice::kCameraOpen, "Last Used Dir", "Last Used Ext", "Camera", &AppState::cameraDir,
     &AppState::cameraFilterIndex},
    {DialogChoice::kCameraSave, "Last Saved Dir", "Last Saved Ext", "Camera", &AppState::cameraSaveDir,
     &AppState::cameraSaveFilterIndex},
    {DialogChoice::kCameraSaveAll, "Last AllSave Dir", "Last AllSave Ext", "Camera", &AppState::cameraAllSaveDir,
     nullptr},
};

AppState& TheAppState() {
  static AppState state;
  return state;
}

void RememberChoice(DialogChoice choice, const std::string& folder, int storedFilterIndex) {
  for (const DialogChoiceSetting& setting : kDialogChoices) {
    if (setting.choice != choice) continue;
    AppState& state = TheAppState();
    state.*setting.folder = folder;
    if (setting.filterIndex != nullptr) state.*setting.filterIndex = storedFilterIndex;
    WriteProfileString(setting.dirSection, setting.entry, folder);
    WriteProfileInt(setting.extSection, setting.entry, storedFilterIndex);
  }
}

}  // namespace tessaly::ui
