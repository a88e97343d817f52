// The subtype test with its two-entry cache per class.
//
// S is a subtype of T when T is S; for an instance class, when T is on its
// superclass chain or, for an interface T, among the interfaces declared by
// the classes of the chain and their superinterfaces; for an object-array
// class, when T is java.lang.Object or an object-array class whose element
// class is a supertype of S's; for a type-array class, when T is
// java.lang.Object. Each success moves S's cache 1 into cache 2 and stores T
// in cache 1, so a repeated test costs two compares.
#pragma once

#include "vm/core/model/object_layout.h"

bool vsClass_isSubtypeOf(ClassRecord* s, ClassRecord* t);
