// What the application keeps for all its windows while it runs.
//
// One record, reachable from every window, so that the camera, album and retouch windows
// and the dialogs read the same directories, filter indexes and preferences. Nothing in
// it needs wx.
#pragma once

#include <cstdint>
#include <string>

#include "ui/screen_rect.h"

namespace tessaly::ui {

struct AppState {
  // True when the camera and album windows list names instead of thumbnails.
  bool namesOnlyPreference = false;
  // Prefix of the file names given to pictures saved from the camera; lives for the run
  // of the program only.
  std::string savePrefix = "AUT_";

  // The serial port (1-4; 0 none chosen yet; -1 no port exists) and the line speed the
  // settings file gets when the Communications Setup dialog is confirmed.
  int lastPort = 0;
  std::uint32_t lastBps = 9600;

  // Starting folders of the file dialogs.
  std::string albumDir, albumSaveDir, retouchDir, retouchSaveDir, cameraDir, cameraSaveDir, cameraAllSaveDir;
  // Filter indexes the file dialogs start with ("Last Used Ext", "Last Saved Ext").
  int albumFilterIndex = 0, retouchFilterIndex = 0, cameraFilterIndex = 0;
  int retouchSaveFilterIndex = 0, cameraSaveFilterIndex = 0;

  // True while the program starts: a new retouch document without a picture is refused
  // then, so the program starts with no document open.
  bool starting = false;
  // The "Read Only" choice of the last File Open dialog; a document loaded from a file
  // copies it.
  bool readOnlyChosen = false;
};

AppState& TheAppState();

// The file dialogs whose last folder (and type, where they have a type list) the program
// remembers, in this run and in the settings file for the next.
enum class DialogChoice {
  kAlbumOpen,
  kAlbumSave,
  kRetouchOpen,
  kRetouchSave,
  kCameraOpen,
  kCameraSave,
  kCameraSaveAll
};

// Where one dialog's choice lives: its entry under the sections of folders and types,
// and the fields of AppState that hold it (no type field where the type is fixed).
struct DialogChoiceSetting {
  DialogChoice choice;
  const char* dirSection;
  const char* extSection;
  const char* entry;
  std::string AppState::*folder;
  int AppState::*filterIndex;
};
extern const DialogChoiceSetting kDialogChoices[7];

// Keeps a dialog's chosen folder and stored type index (counted from 1, as the settings
// file counts) in the state and writes both to the settings file.
void RememberChoice(DialogChoice choice, const std::string& folder, int storedFilterIndex);

}  // namespace tessaly::ui
