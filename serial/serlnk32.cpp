#include "serial/serlnk32.h"
