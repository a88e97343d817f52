// WapWorkerList: Sentrel's workers by port, in the order they were added;
// used on the window thread only.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "sentrel/worker.h"

class WapWorkerList {
 public:
  explicit WapWorkerList(WapLaunchForPort launch) : launch_(launch) {}
  ~WapWorkerList() { closeAll(); }
  WapWorkerList(const WapWorkerList&) = delete;
  WapWorkerList& operator=(const WapWorkerList&) = delete;

  // Opens the port for an opener: 1, -3, -4, -10 or -15 (held by it).
  int add(DWORD port, WapOpener opener);
  // Releases it for an opener: 1, or -5 when no worker has the port. The
  // last opener's release ends and destroys the worker; one whose thread
  // does not end is logged and left alive, off the list.
  int remove(DWORD port, WapOpener opener);
  // Releases every worker for every opener and empties the list.
  void closeAll();

  WapWorker* find(DWORD port) const;
  bool has(DWORD port) const { return find(port) != nullptr; }
  // A request for the port's worker: its answer, or -5.
  int forward(DWORD port, UINT code, DWORD argument, DWORD timeoutMs = 1000);
  // "sms://:%d" for every worker the push registry holds, in list order.
  std::vector<std::u16string> pushPorts() const;

 private:
  // Releases a worker for an opener; true when it is gone from the list.
  bool release(std::list<WapWorker*>::iterator it, WapOpener opener);

  WapLaunchForPort launch_;
  std::list<WapWorker*> workers_;
};
