#include "ui/app_state.h"

namespace tessaly::ui {

AppState& TheAppState() {
  static AppState state;
  return state;
}

}  // namespace tessaly::ui
