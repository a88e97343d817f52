// The assembler file of the class image.
//
// One GNU assembler file that both toolchains' `as` accept unchanged: only
// .section, .balign, .globl, labels, .long, .short, .byte and .zero, and
// section types written with '%'. Every pointer is ".long label+offset"
// (an absolute 32-bit relocation of the non-PIE program); an entry is
// ".long <entry symbol>-20"; a function is ".long <its symbol>". No host
// address, path or time is written.
//
// Sections and symbols:
//   .vsimage (read-only)   vsImage_readOnly, vsImage_heapPart,
//                          vsImage_writableBlock, ... and the descriptor
//                          vsImage_descriptor (image_format.h)
//   .vmbss (zeroed)        vsImage_writableArea, vsImage_entryTable (zero
//                          bytes of type progbits, as the compiler writes
//                          the VM variables of that section)
#pragma once

#include "tools/romizer/image_layout.h"

// Writes the file; a failure to write ends the romizer.
void romizer_writeImage(const RomizerModel& model, const ImageLayout& layout, const char* path);
