#include "shell/app_state.h"

namespace tessaly::shell {

AppState& TheAppState() {
  static AppState state;
  return state;
}

}  // namespace tessaly::shell
