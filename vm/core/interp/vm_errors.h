// The VM's numbered errors, one table for the whole core.
//
// VM error codes are the messages, printed with "%3d", of the exceptions the
// VM raises for bad class files, bad bytecode and failed links (mostly
// java/lang/Error). Fatal error codes end the VM with "Fatal error: %s".
#pragma once

#include <cstdint>

enum VmErrorCode : int32_t {
  // The class-file parser.
  kErrImplementsAClass = 0,  // a class named as an interface is none
  // The bytecode verifier.
  kErrStackOverflow = 1,
  kErrStackUnderflow = 2,
  kErrStackType = 4,           // wrong type on the stack
  kErrLocalIndex = 5,          // local index out of range
  kErrLocalType = 6,           // wrong type in a local
  kErrTargetFrame = 8,         // branch target or handler without a matching map entry
  kErrFrame = 10,              // no map entry after a jump, or the frame does not match it
  kErrNotAClass = 11,          // pool entry is no class, or new names an array class
  kErrCatchType = 12,          // catch type is no Throwable
  kErrSwitchKeys = 13,         // lookupswitch keys not increasing
  kErrArrayStore = 18,         // bad array or value type in aastore
  kErrNotAMethod = 20,         // invoke of an entry that is no method reference
  kErrArguments = 21,          // too few words on the stack for an invoke
  kErrSpecialName = 23,        // a name beginning with '<' invoked wrongly
  kErrNewSite = 24,            // uninitialized object whose site is no new
  kErrInitialized = 25,        // <init> invoked on an initialized object
  kErrIllegalInstruction = 26,  // illegal, fast or cut-off instruction, bad newarray type
  kErrArrayLength = 27,        // arraylength of a non-array
  kErrMultiArray = 28,
  kErrReturnType = 30,
  kErrReturnUninitialized = 32,  // return from <init> before the object is initialized
  kErrMapEntry = 33,           // map entry inside an instruction, out of order, left over or naming no new
  kErrFallsOff = 34,           // code can fall off its end
  kErrInterfaceZero = 35,      // invokeinterface's fourth byte not 0
  kErrInterfaceCount = 36,     // invokeinterface's count byte wrong
  kErrSpecialClass = 37,       // invokespecial of a method of an unrelated class
  kErrInitializerCall = 38,    // wrong class, second call, or inside a protected range
  kErrNotAField = 39,          // field access of an entry that is no field reference
  kErrFinalOverride = 40,
  kErrPoolIndex = 43,          // pool index out of range
  kErrTruncated = 44,        // read past the end of the class file
  kErrUtf8 = 45,
  kErrTagTooLarge = 46,
  kErrLongInLastEntry = 47,
  kErrBadTag = 48,
  kErrReferenceKind = 49,
  kErrMethodName = 50,
  kErrMethodSignature = 51,
  kErrFieldName = 52,
  kErrDescriptor = 54,       // also the descriptor parser's
  kErrClassName = 55,
  kErrVersion = 56,
  kErrArrayInterface = 57,
  kErrConstantValue = 58,
  kErrSynthetic = 59,
  kErrDuplicateMember = 60,
  kErrFieldFlags = 61,
  kErrFieldSignature = 62,
  kErrStackMapSlots = 63,
  kErrStackMapItem = 64,
  kErrStringIndex = 65,
  kErrExceptionTable = 66,     // also the verifier's bad exception-table entry
  kErrMethodFlags = 67,
  kErrCodeAttribute = 68,
  kErrCodeLength = 69,
  kErrStackMapTwice = 70,
  kErrStackMapLength = 71,
  kErrExceptionsTwice = 72,
  kErrAttributeLength = 73,
  kErrMissingCode = 74,
  kErrArgumentSize = 75,
  kErrArgumentsAboveLocals = 76,
  kErrInnerClasses = 77,
  kErrImplementsItself = 78,
  kErrNotAnInterface = 79,
  kErrInterfaceTwice = 80,
  kErrClassCircularity = 81,
  kErrMagic = 82,
  kErrClassFlags = 83,
  kErrThisClassZero = 84,
  kErrNoSuperclass = 85,
  kErrInterfaceSuperclass = 86,
  kErrFinalSuperclass = 87,
  kErrInterfaceAsSuperclass = 88,
  kErrTrailingBytes = 89,
  kErrSuperclassChain = 90,
  kErrBadPoolEntry = 91,     // a pool index past the pool, or of the wrong tag
  // Links and calls.
  kErrAccessDenied = 94,
  kErrFieldMissing = 96,
  kErrFieldStaticness = 97,  // static where an instance field was expected, or the reverse
  kErrMethodStaticness = 98,  // invokespecial of a static method, invokestatic of an instance method
  kErrInterfaceMethodMissing = 99,
  kErrWrongInvoke = 99,       // the invoke does not fit the class or the method
  kErrDivideByZero = 103,    // ArithmeticException of an integer division or remainder by zero
  kErrBadBytecode = 104,
  kErrBadWide = 105,
  kErrAbstractMethodCalled = 106,
  kErrArrayCopyNull = 107,       // System.arraycopy of a null array
  kErrArrayCopyMismatch = 108,   // System.arraycopy between arrays of different kinds, or a non-array
  // Monitors: IllegalMonitorStateException of a thread that does not own the lock.
  kErrWaitNotOwner = 113,
  kErrNotifyNotOwner = 114,
  kErrNotifyAllNotOwner = 115,
  kErrNoMainMethod = 116,    // the main class has no static main(String[])
  kErrRuntimeExit = 117,     // SecurityException: applications may not end the VM
  kErrPathName = 135,        // a class-path element that is no file, an entry name of 256 bytes or more
  kErrMethodMissing = 136,   // also: a constructor named through another class, or inherited
  kErrIllegalAccess = 137,   // IllegalAccessException
  kErrInstantiation = 138,   // InstantiationException
  kErrClassNotLoaded = 146,  // resolving without loading met a class not loaded
};

enum VmFatalCode : int32_t {
  kFatalVm = 122,                  // vsVm_fatal: the VM cannot go on (its message printed)
  kFatalRequiredClass = 129,       // a class the VM cannot run without
  kFatalHeapTooSmall = 130,        // the heap cannot hold the start's records
  kFatalClassNotFoundAtStart = 132,
  kFatalNoRunMethod = 133,         // a started thread's class has no run()V
  kFatalInconsistency = 139,
};
