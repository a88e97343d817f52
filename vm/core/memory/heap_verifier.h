// The heap verifier of the collector-debugging core (built with
// VS_GC_DEBUG into the gcdebug launchers and tests, never into the
// product). It runs before and after every collection and at VM exit and
// checks, with marks of its own (never the collector's bitmap):
//
//   - the walk of [heap start, old top) and [young start, allocation top)
//     by the size rule lands on each bound, and every header leads to a
//     valid class record (through a near record, or a lock record's near
//     copy while the object is locked);
//   - everything reachable from the roots refers only to null, the image,
//     an object start of the used heap or the array of a native block, and
//     the object scanner visits none of an object's slots twice;
//   - before a young collection, every old slot (frame slots of old stack
//     chunks aside, which a collection remembers itself) that refers into
//     [young start, heap end) has its bit in the remembered set;
//   - the native area from its top to its upper bound is tiled by blocks,
//     free entries of at least 28 bytes and the gaps between them, and the
//     free total is the sum of the free entries;
//   - each live stack's thread record keeps its saved pointers inside its
//     chunk, and each lock record that holds a lock has its object's header
//     on its near copy.
//
// The first violation prints "heap verify: <what> at 0x<address>" and ends
// the VM with the fatal error of an inconsistency; the heap is then left
// alone (no finalizer runs at exit, no collection starts).
#pragma once

// Verifies the heap; with `remembered` set also the remembered set (the
// caller is about to run a young collection).
void vsHeapVerifier_run(bool remembered);
