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
  kErrExceptionTable = 66,
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
