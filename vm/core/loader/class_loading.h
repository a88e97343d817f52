// Class loading: the one way to a class of a given name.
//
// vsClass_findOrLoad validates the name, makes array classes, searches the
// class tables and otherwise loads the class, and first any superclass and
// interface that is missing, through the class-file parser.
//
// The loading loop keeps a stack of loading records (class_file_context.h),
// first the wanted class. The top record's class file is read and parsed;
// when the parser finds its superclass or an interface missing, it pushes
// their names and returns "not yet", and the loop goes on with the new top;
// later the same record is parsed again, resuming behind its header:
//
//   [C] -> parse C: super B missing -> [B, C] -> parse B -> B created -> [C]
//       -> parse C again -> C created -> []
//
// A lookup of kind 1 (the VM needs the class) fails with
// NoClassDefFoundError, one of kind 0 (Class.forName) with
// ClassNotFoundException, both naming the class; during the start-up phase
// the name is printed and the VM ends with fatal error 132 instead. A
// missing superclass or interface is always of kind 1. Classes of the
// protected packages ("java/lang", "com/sun/cldc/io", ...) are never loaded
// from an archive other than the system library "/sys.jar".
#pragma once

#include <cstdint>

#include "vm/core/model/object_helpers.h"
#include "vm/core/model/object_layout.h"

inline constexpr char kSystemLibraryName[] = "/sys.jar";

// vsClass_findOrLoad (object_helpers.h): the class, or 0 with an exception
// pending. The same for a name given as text:
[[nodiscard]] VmRef vsClass_findOrLoadByName(const char* name, int32_t kind);

// The class file of the lookup's name from the class path, or 0 with an
// exception pending; the name of the archive it came from goes to source
// ("" for none).
[[nodiscard]] VmRef vsClass_readClassFile(ClassLookup* lookup, char* source, uint32_t sourceSize);
// The loading loop: the class, or 0 with an exception pending.
[[nodiscard]] VmRef vsClass_load(ClassLookup* lookup);
// The array class of an array name (an array descriptor, or an encoded
// array type), its innermost element class loaded unless the lookup asks
// for stubs; 0 when the name names no array class, or with an exception
// pending.
[[nodiscard]] VmRef vsClass_arrayClassForName(ClassLookup* lookup);

void vsClass_throwNotFound(ClassLookup* lookup);
void vsClass_throwNoClassDef(const VmRef* name, int32_t kind);

// Whether the package of the class name (everything before its last '/')
// is one of the 13 protected packages.
bool vsClass_isInProtectedPackage(const VmSymbol* name);
