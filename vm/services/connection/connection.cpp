// The connection layer (see connection.h).
#include "vm/services/connection/connection.h"

#include "ce/substrate/vm_sections.h"
#include "ce/substrate/vm_word.h"
#include "port/socket.h"
#include "vm/core/natives/native_list.h"
#include "vm/core/natives/native_method.h"
#include "vm/services/lifecycle/platform_resource.h"
#include "vm/services/memory/memory_service.h"

namespace {

constexpr char kInitializeError[] = "CONNECTION: initialize error.";
constexpr char kIllegalStatus[] = "CONNECTION: illegal status";
// Handles that the port never gives to an open socket.
constexpr int32_t kNoHandle = -1;
constexpr int32_t kFailedHandle = -2;

struct ConnectionLayer {
  int32_t maxSockets;
  int32_t maxSecureSockets;
  VsPlatformResource resource;
  VmPtr<VsList> queue;  // 0 until initialised and after the stop
};

VS_VMBSS(ConnectionLayer) gLayer{};

void suspendResource(VsPlatformResource*) { vsConnection_suspend(); }
void resumeResource(VsPlatformResource*) { vsConnection_resume(); }
void stopResource(VsPlatformResource*) { vsConnection_stop(); }

void close(VsConnectionRequest* request) {
  switch (request->state) {
    case kVsConnectionOpen:
      if (request->handle == kNoHandle || request->handle == kFailedHandle)
        vsNativeMethod_fatalError(kIllegalStatus);
      if (request->kind == kVsConnectionSocket) {
        request->state = kVsConnectionClosed;
        JkSocketClose(request->handle);
      } else if (request->kind == kVsConnectionSecureSocket) {
        request->state = kVsConnectionClosed;
        JkSecureSocketClose(request->handle);
      } else {
        vsNativeMethod_fatalError(kIllegalStatus);
      }
      return;
    case kVsConnectionNew:
      // The open still runs on a worker: it finds the record closed.
      request->state = kVsConnectionClosed;
      return;
    case kVsConnectionClosed:
      return;
    default:
      vsNativeMethod_fatalError(kIllegalStatus);
  }
}

void closeAll() {
  VsList* queue = gLayer.queue.get();
  if (queue == nullptr) return;
  while (VmWord item = vsList_removeFirst(queue)) close(vsWord_toPointer<VsConnectionRequest>(item));
}

}  // namespace

void vsConnection_initialize() {
  gLayer.maxSockets = cJSocketThread::getMaxConnections();
  gLayer.maxSecureSockets = cJSecureSocketThread::getMaxConnections();
  if (gLayer.maxSockets < 1 || gLayer.maxSecureSockets < 1) vsNativeMethod_fatalError(kInitializeError);
  if (gLayer.queue) return;
  gLayer.resource = vsPlatformResource_make(suspendResource, resumeResource, stopResource);
  if (vsPlatformResource_register(&gLayer.resource) == 0) vsNativeMethod_fatalError(kInitializeError);
  auto* queue = static_cast<VsList*>(vsMemory_allocPointer(sizeof(VsList)));
  if (queue == nullptr) vsNativeMethod_fatalError(kInitializeError);
  vsList_init(queue);
  gLayer.queue = queue;
}

int32_t vsConnection_getMaxSockets() { return gLayer.maxSockets; }

int32_t vsConnection_getMaxSecureSockets() { return gLayer.maxSecureSockets; }

VsConnectionRequest* vsConnection_newRequest(int32_t kind) {
  auto* request = static_cast<VsConnectionRequest*>(vsMemory_allocPointer(sizeof(VsConnectionRequest)));
  if (request != nullptr) *request = {kVsConnectionNew, kind, kNoHandle};
  return request;
}

void vsConnection_freeRequest(VsConnectionRequest* request) {
  if (request != nullptr) vsMemory_freePointer(request);
}

int32_t vsConnection_enqueueRequest(VsConnectionRequest* request) {
  VsList* queue = gLayer.queue.get();
  if (queue == nullptr || request == nullptr) return -1;
  return vsList_append(queue, vsWord_fromPointer(request));
}

VsConnectionRequest* vsConnection_removeRequest(VsConnectionRequest* request) {
  VsList* queue = gLayer.queue.get();
  if (queue == nullptr || request == nullptr) return nullptr;
  return vsWord_toPointer<VsConnectionRequest>(vsList_remove(queue, vsWord_fromPointer(request)));
}

void vsConnection_suspend() { closeAll(); }

void vsConnection_resume() {
  const VsList* queue = gLayer.queue.get();
  if (queue != nullptr && (queue->head != 0 || queue->tail != 0)) vsNativeMethod_fatalError(kIllegalStatus);
}

void vsConnection_stop() {
  closeAll();
  if (VsList* queue = gLayer.queue.get()) vsMemory_freePointer(queue);
  gLayer.queue = nullptr;
}
