// The plain-array lanes that compilers without std::experimental::simd build.
#define TARNGLOAM_PORTABLE_LANES 1
#define LANES_SUITE PortableLanes
#include "LanesTestBody.h"
