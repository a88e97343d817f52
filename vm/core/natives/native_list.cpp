// Lists of natives and services (see native_list.h).
#include "vm/core/natives/native_list.h"

#include "vm/core/natives/native_hooks.h"

namespace {

VsListNode* node(VmWord n) { return vsWord_toPointer<VsListNode>(n); }

void unlink(VsList* list, VsListNode* n) {
  if (n->prev != 0)
    node(n->prev)->next = n->next;
  else
    list->head = n->next;
  if (n->next != 0)
    node(n->next)->prev = n->prev;
  else
    list->tail = n->prev;
  vsMemory_freePointer(n);
}

}  // namespace

void vsList_init(VsList* list) {
  list->head = 0;
  list->tail = 0;
}

int32_t vsList_append(VsList* list, VmWord item) {
  VsListNode* n = static_cast<VsListNode*>(vsMemory_allocPointer(sizeof(VsListNode)));
  if (n == nullptr) return -1;
  n->item = item;
  n->prev = list->tail;
  n->next = 0;
  const VmWord w = vsWord_fromPointer(n);
  if (list->tail != 0)
    node(list->tail)->next = w;
  else
    list->head = w;
  list->tail = w;
  return 0;
}

VmWord vsList_removeFirst(VsList* list) {
  if (list->head == 0) return 0;
  VsListNode* n = node(list->head);
  const VmWord item = n->item;
  unlink(list, n);
  return item;
}

VmWord vsList_remove(VsList* list, VmWord item) {
  for (VmWord at = list->head; at != 0; at = node(at)->next) {
    if (node(at)->item == item) {
      unlink(list, node(at));
      return item;
    }
  }
  return 0;
}
