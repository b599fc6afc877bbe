#define LANES_SUITE NativeLanes
#include "LanesTestBody.h"
