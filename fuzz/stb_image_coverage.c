// stb_image compiled into the picture target itself: the system's copy has
// neither coverage counters nor sanitizer checks, and these definitions take
// the place of its symbols for the platform library too.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
