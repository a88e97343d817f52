// The class-file parser: the bytes of one class file into a class of the
// object model.
//
// vsClassFile_parse is called by the loading loop (class_loading.h) with
// the loading record of the class on top of the loading stack. Order of one
// call:
//   1. circularity: the class's name is the name of an enclosing context's
//      class, or of a record further down the stack whose header was read:
//      VM error 81;
//   2. the header (magic, version, constant pool, flags, this class,
//      superclass, interfaces) unless read before; when the superclass or
//      an interface is not loaded, their names are now on the stack and the
//      result is 0 with nothing pending;
//   3. resume behind the header; 4. the superclass (final: 87, interface:
//      88); 5. the complete interface list; 6. fields and methods, and for an
//      abstract class the methods it misses of its interfaces; 7. the sizes
//      of the virtual and interface tables (a count of 0 new entries counts
//      as 3); 8. the finalizer flag; 9. field layout and reference maps;
//   10. the class is created, its methods get its id and, outside image
//      building, their compact stack maps; 11. class attributes;
//   12. no bytes may follow (89); 13. the virtual table is filled, the native
//      finalizer stored, natives bound; 14. the superclass chain (90), the
//      superclass's access and the trivial-constructor flag; 15. interface
//      checks, the interface table, static initial values; unused UTF-8
//      entries are dropped, the record is popped and holds the class.
// Every format problem raises java/lang/Error with its code; the codes are
// listed with each step's source.
#pragma once

#include <cstdint>

#include "vm/core/loader/class_file_context.h"
#include "vm/core/model/object_layout.h"

// The class, or 0: with nothing pending when missing classes were pushed,
// else with an exception pending.
VmRef vsClassFile_parse(ClassFileContext* context, VmRef* stack);
