// Lists of natives and services: {head, tail} of 12-byte nodes {item,
// prev, next}, each node a block of the memory service.
//
//   list: | head | tail |
//            |      '---------------------.
//            v                            v
//          | item | 0 | next | <-> ... <-> | item | prev | 0 |
//
// Items are words (pointers or numbers) that the list does not own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"

struct VsList {
  VmWord head;
  VmWord tail;
};

struct VsListNode {
  VmWord item;
  VmWord prev;
  VmWord next;
};

static_assert(sizeof(VsList) == 8 && offsetof(VsList, tail) == 4);
static_assert(sizeof(VsListNode) == 12 && offsetof(VsListNode, prev) == 4 && offsetof(VsListNode, next) == 8);

// Empties the list (nodes it held are not freed).
void vsList_init(VsList* list);
// Appends the item: 0, or -1 when no node can be had.
int32_t vsList_append(VsList* list, VmWord item);
// The first item, its node unlinked and freed; 0 when the list is empty.
VmWord vsList_removeFirst(VsList* list);
// Unlinks and frees the first node holding the item: the item, or 0 when
// none holds it.
VmWord vsList_remove(VsList* list, VmWord item);
