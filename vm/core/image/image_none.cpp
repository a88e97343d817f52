// The descriptor of a program linked without a class image: its header word
// is 0, so the start knows that no image exists. The romizer and the core's
// tests link it.
#include "vm/core/image/image_format.h"

extern "C" const ImageDescriptor vsImage_descriptor = {};
