// The dump of a loaded class image (the launcher's --dump-image).
//
//   romizer version 1
//   classes C, methods M, strings S, symbols Y, read-only R, heap part H, writable W, entries E
//   class <id> <name> super <name or -> size <bytes or kind -k> mirror <status hex or -> flags <hex>
//     method <name><signature> flags <hex> entry <entry symbol or word hex> code <instructions>
//       handler <start> <end> <handler> <catch type pool index>
//     field <name> flags <hex> offset <bytes>
//
// Classes come in id order; methods, then fields, in their class's order. A
// field's offset is its byte in the instance, or in the class record for a
// static field. An instruction
// is its opcode in decimal, followed by ':' and its operand bytes in hex
// when it has any; the function address of a native's invoke_native is left
// out, so that the dump is the same on every build. Symbol bytes outside
// printable ASCII print as \xNN.
#pragma once

#include "vm/core/image/image_format.h"
#include "vm/core/startup/output_stream.h"

void vsImage_dump(const ImageDescriptor* image, const VsOutputStream* out);
