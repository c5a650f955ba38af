#include "camera/link_setup.h"

namespace tessaly {

LinkSetup& TheLinkSetup() {
  static LinkSetup setup;
  return setup;
}

}  // namespace tessaly
