// Descriptors of the suite-descriptor service (see descriptor.h).
#include "vm/services/descriptor/descriptor.h"

#include <cstring>

#include "vm/services/descriptor/text_functions.h"

namespace {

OamsDescriptor* newDescriptor(OamsEnv* env) {
  auto* d = static_cast<OamsDescriptor*>(vsDescriptor_memAlloc(env, sizeof(OamsDescriptor)));
  if (d != nullptr) {
    d->tag = kVsDescriptorTag;
    d->text = nullptr;
    d->attributes = nullptr;
  }
  return d;
}

void releaseDescriptor(OamsEnv* env, OamsDescriptor* d) {
  vsDescriptor_freeAttributes(env, d->attributes.get());
  vsDescriptor_memFree(env, d->text.get());
  d->tag = 0;
  vsDescriptor_memFree(env, d);
}

// Parses the descriptor's text in the given mode: 0 or the parser's code.
int32_t parseInto(OamsEnv* env, OamsDescriptor* d, int32_t length, int32_t mode) {
  int32_t code = kOamsOk;
  d->attributes = vsDescriptor_parse(env, d->text.get(), length, mode, &code);
  return code;
}

OamsHandle fail(int32_t* error, int32_t code) {
  vsDescriptor_setError(error, code);
  return kOamsInvalidHandle;
}

// Appends a copy of a node to a list.
bool appendCopy(OamsEnv* env, const OamsAttribute* from, OamsAttribute** head,
                OamsAttribute** tail) {
  auto* node = static_cast<OamsAttribute*>(vsDescriptor_memAlloc(env, sizeof(OamsAttribute)));
  if (node == nullptr) return false;
  *node = *from;
  node->next = nullptr;
  if (*tail == nullptr) {
    *head = node;
  } else {
    (*tail)->next = node;
  }
  *tail = node;
  return true;
}

}  // namespace

OamsDescriptor* vsDescriptor_open(OamsHandle descriptor) {
  auto* d = vsDescriptor_record<OamsDescriptor>(descriptor);
  return d != nullptr && d->tag == kVsDescriptorTag ? d : nullptr;
}

OamsHandle OamsJadOpen(OamsHandle envHandle, int32_t size, const void* buffer,
                       VsDescriptorReadCallback readCallback, int32_t* error) {
  OamsEnv* env = vsDescriptor_env(envHandle);
  if (env == nullptr || size < 1 || (buffer == nullptr && readCallback == nullptr))
    return fail(error, kOamsBadArgument);
  OamsDescriptor* d = newDescriptor(env);
  if (d == nullptr) return fail(error, kOamsNoMemory);
  d->text = static_cast<char*>(vsDescriptor_memAlloc(env, static_cast<uint32_t>(size)));
  int32_t code = kOamsOk;
  if (!d->text) {
    code = kOamsNoMemory;
  } else if (buffer != nullptr) {
    std::memcpy(d->text.get(), buffer, static_cast<size_t>(size));
  } else if (vsDescriptor_readFully(readCallback, d->text.get(), 0, size) != 1) {
    code = kOamsReadFailed;
  }
  if (code == kOamsOk) code = parseInto(env, d, size, kVsParseJad);
  if (code != kOamsOk) {
    releaseDescriptor(env, d);
    return fail(error, code);
  }
  vsDescriptor_setError(error, kOamsOk);
  return vsDescriptor_handle(d);
}

OamsHandle OamsManifestOpen(OamsHandle envHandle, OamsHandle jarHandle, int32_t* error) {
  OamsEnv* env = vsDescriptor_env(envHandle);
  auto* jar = vsDescriptor_record<OamsJar>(jarHandle);
  if (env == nullptr || jar == nullptr) return fail(error, kOamsBadArgument);
  int32_t length = 0;
  uint8_t* text = vsDescriptorJar_extractManifest(env, jar, &length);
  if (text == nullptr) return fail(error, kOamsReadFailed);
  OamsDescriptor* d = newDescriptor(env);
  if (d == nullptr) {
    vsDescriptor_memFree(env, text);
    return fail(error, kOamsNoMemory);
  }
  d->text = reinterpret_cast<char*>(text);
  const int32_t code = parseInto(env, d, length, kVsParseManifest);
  if (code != kOamsOk) {
    releaseDescriptor(env, d);
    return fail(error, code);
  }
  vsDescriptor_setError(error, kOamsOk);
  return vsDescriptor_handle(d);
}

int32_t OamsDescriptorClose(OamsHandle envHandle, OamsHandle descriptor) {
  OamsEnv* env = vsDescriptor_env(envHandle);
  OamsDescriptor* d = vsDescriptor_open(descriptor);
  if (env == nullptr || d == nullptr) return kOamsBadArgument;
  releaseDescriptor(env, d);
  return kOamsOk;
}

OamsHandle OamsDescriptorMerge(OamsHandle envHandle, OamsHandle first, OamsHandle second,
                               int32_t* error) {
  OamsEnv* env = vsDescriptor_env(envHandle);
  const OamsDescriptor* a = vsDescriptor_open(first);
  const OamsDescriptor* b = vsDescriptor_open(second);
  if (env == nullptr || a == nullptr || b == nullptr) return fail(error, kOamsBadArgument);
  OamsDescriptor* merged = newDescriptor(env);
  if (merged == nullptr) return fail(error, kOamsNoMemory);
  OamsAttribute* head = nullptr;
  OamsAttribute* tail = nullptr;
  bool ok = true;
  for (const OamsAttribute* n = b->attributes.get(); ok && n != nullptr; n = n->next.get())
    ok = appendCopy(env, n, &head, &tail);
  for (const OamsAttribute* n = a->attributes.get(); ok && n != nullptr; n = n->next.get()) {
    OamsAttribute* same = vsDescriptor_findByKey(head, n->key.get(), n->keyLength);
    if (same == nullptr) {
      ok = appendCopy(env, n, &head, &tail);
    } else {
      same->key = n->key;
      same->value = n->value;
      same->valueLength = n->valueLength;
      same->keyIndex = n->keyIndex;
    }
  }
  merged->attributes = head;
  if (!ok) {
    releaseDescriptor(env, merged);
    return fail(error, kOamsNoMemory);
  }
  vsDescriptor_setError(error, kOamsOk);
  return vsDescriptor_handle(merged);
}

const char* OamsDescriptorGetValueByIndex(OamsHandle env, OamsHandle descriptor, int32_t index,
                                          int32_t* valueLength, int32_t* error) {
  const OamsDescriptor* d = vsDescriptor_open(descriptor);
  if (vsDescriptor_env(env) == nullptr || d == nullptr || valueLength == nullptr) {
    vsDescriptor_setError(error, kOamsBadArgument);
    return nullptr;
  }
  if (index < 0 || index >= kVsStandardKeyCount) {
    vsDescriptor_setError(error, kOamsOutOfRange);
    return nullptr;
  }
  const OamsAttribute* a = vsDescriptor_findByIndex(d->attributes.get(), index);
  if (a == nullptr) {
    vsDescriptor_setError(error, kOamsAbsent);
    return nullptr;
  }
  *valueLength = a->valueLength;
  vsDescriptor_setError(error, kOamsOk);
  return a->value.get();
}

const char* OamsDescriptorGetValueByKey(OamsHandle env, OamsHandle descriptor, const char* key,
                                        int32_t keyLength, int32_t* valueLength, int32_t* error) {
  const OamsDescriptor* d = vsDescriptor_open(descriptor);
  if (vsDescriptor_env(env) == nullptr || d == nullptr || key == nullptr || keyLength < 1 ||
      valueLength == nullptr) {
    vsDescriptor_setError(error, kOamsBadArgument);
    return nullptr;
  }
  const OamsAttribute* a = vsDescriptor_findByKey(d->attributes.get(), key, keyLength);
  if (a == nullptr) {
    vsDescriptor_setError(error, kOamsAbsent);
    return nullptr;
  }
  *valueLength = a->valueLength;
  vsDescriptor_setError(error, kOamsOk);
  return a->value.get();
}

int32_t vsDescriptor_parseVersion(const char* text, int32_t length, int32_t* first,
                                  int32_t* second, int32_t* third) {
  const int32_t dot = OamsFindBytes(text, 0, length, ".", 1);
  if (dot < 0) return kOamsNotFound;
  int32_t code = kOamsOk;
  *first = OamsParseInt(text, dot, &code);
  if (code != kOamsOk) return code;
  const int32_t dot2 = OamsFindBytes(text, dot + 1, length, ".", 1);
  const int32_t secondEnd = dot2 >= 0 ? dot2 : length;
  *second = OamsParseInt(text + dot + 1, secondEnd - dot - 1, &code);
  if (code != kOamsOk) return code;
  *third = 0;
  if (dot2 >= 0) *third = OamsParseInt(text + dot2 + 1, length - dot2 - 1, &code);
  return code;
}

int32_t OamsDescriptorGetVersion(OamsHandle env, OamsHandle descriptor, int32_t* first,
                                 int32_t* second, int32_t* third) {
  const OamsDescriptor* d = vsDescriptor_open(descriptor);
  if (vsDescriptor_env(env) == nullptr || d == nullptr || first == nullptr || second == nullptr ||
      third == nullptr)
    return kOamsBadArgument;
  const OamsAttribute* a = vsDescriptor_findByIndex(d->attributes.get(), kVsKeyVersion);
  if (a == nullptr) return kOamsAbsent;
  return vsDescriptor_parseVersion(a->value.get(), a->valueLength, first, second, third);
}
