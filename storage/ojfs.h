// The file-system dispatcher: every storage file is named by a URI
// "scheme:path" and reached through the connector registered for its
// scheme ("gfs": host files under the storage roots, "rom": the ROM file
// system).
//
// The dispatcher keeps, for the whole process, one table of 256 open file
// handles and one of 5 open directory handles, each slot naming its
// connector and the connector's own handle, and one last-error word. A
// connector receives the URI after its first ":" ("//java/suites.idx").
//
//   file slot:      {in use, connector, connector handle}
//   directory slot: {in use, connector, connector handle, entry URI (256),
//                    entry record}
//
// Invariants: every operation first clears the last error; a failure
// returns -1 (NULL for readdir) with the code in the last-error word, taken
// from the connector when the connector failed; a failed open leaves no
// slot taken; close and closedir free their slot whatever the connector
// answers. Single-threaded: one thread of the process uses it at a time.
#pragma once

#include <cstdint>

// Last-error codes shared by the dispatcher and the connectors.
enum OjfsError : int32_t {
  OJFS_ERR_NONE = 0,
  OJFS_ERR_BAD_PATH = 1,
  OJFS_ERR_NO_HANDLE = 2,
  OJFS_ERR_NO_CONNECTOR = 3,
  OJFS_ERR_BAD_HANDLE = 4,
  OJFS_ERR_POSITION = 5,
  OJFS_ERR_NO_SLOT = 6,
  OJFS_ERR_NO_REGISTRATION = 7,
  OJFS_ERR_NOT_DIRECTORY = 8,
  OJFS_ERR_NO_MORE_ENTRIES = 9,
  OJFS_ERR_EXISTS = 16,
  OJFS_ERR_NOT_SUPPORTED = 17,
  OJFS_ERR_ACCESS_DENIED = 18,
  OJFS_ERR_PLATFORM_HANDLE = 19,
  OJFS_ERR_INVALID_PARAMETER = 21,
  OJFS_ERR_NO_MEMORY = 22,
  OJFS_ERR_PLATFORM = 255,
};

// Open mode: low byte the access (1 read, 2 write, 4 and 8 read and write),
// high byte the disposition (0x10 create always, 0x20 open always, 0x40 open
// existing; 0 means open existing).
using OjfsOpenMode = uint16_t;
constexpr OjfsOpenMode OJFS_READ_EXISTING = 0x4001;
constexpr OjfsOpenMode OJFS_WRITE_EXISTING = 0x4002;
constexpr OjfsOpenMode OJFS_CREATE_WRITE = 0x1002;

using OjfsHandle = int32_t;

// Status: size, then two words of connector flags; a directory has bit 16
// in one of them.
struct OjfsStat {
  uint32_t size;
  uint32_t flags1;
  uint32_t flags2;
};

constexpr uint32_t OJFS_FLAG_DIRECTORY = 16;

// A directory entry as readdir returns it; the dispatcher's name is the full
// URI (scheme, ":", the connector's entry name, "/" for a directory).
struct OjfsDirEntry {
  uint32_t reserved;
  uint32_t flags;
  uint32_t size;
  const char* name;
};

// The 22 operations of a connector, in their fixed order; any may be
// missing (null).
struct OjfsOperations {
  int32_t (*open)(const char* path, OjfsOpenMode mode);
  int32_t (*close)(int32_t handle);
  int32_t (*read)(int32_t handle, void* buffer, int32_t count);
  int32_t (*write)(int32_t handle, const void* buffer, int32_t count);
  int32_t (*seek)(int32_t handle, int32_t offset, int32_t whence);
  int32_t (*tell)(int32_t handle);
  int32_t (*flush)(int32_t handle);
  int32_t (*fstat)(int32_t handle, OjfsStat* status);
  int32_t (*truncate)(int32_t handle, int32_t length);
  int32_t (*remove)(const char* path);
  int32_t (*rename)(const char* from, const char* to);
  int32_t (*freeSpace)(const char* path);
  int32_t (*stat)(const char* path, OjfsStat* status);
  int32_t (*mkdir)(const char* path);
  int32_t (*rmdir)(const char* path);
  int32_t (*createWithSize)(const char* path, int32_t size);
  int32_t (*opendir)(const char* path);
  OjfsDirEntry* (*readdir)(int32_t handle);
  int32_t (*closedir)(int32_t handle);
  int32_t (*rewinddir)(int32_t handle);
  int32_t (*shutdown)();
  int32_t (*lastError)();
};

struct OjfsConnector {
  char description[31];  // 30 characters and the terminator
  const char* scheme;
  OjfsOperations operations;
};

// Fills a connector record; 0 to have it registered.
using OjfsConnectorInit = int32_t (*)(OjfsConnector* connector);

struct OjfsConnectorName {
  const char* description;
  const char* scheme;
};

constexpr int32_t kOjfsMaxConnectors = 10;
constexpr int32_t kOjfsFileHandles = 256;
constexpr int32_t kOjfsDirHandles = 5;
constexpr int32_t kOjfsUriBytes = 256;

int32_t ojfs_init();
int32_t ojfs_fini();
int32_t ojfs_getLastError();
// Fills names with one pair per registered connector; returns the count.
int32_t ojfs_listConnectors(OjfsConnectorName names[kOjfsMaxConnectors]);

OjfsHandle ojfs_open(const char* uri, OjfsOpenMode mode);
int32_t ojfs_close(OjfsHandle handle);
int32_t ojfs_read(OjfsHandle handle, void* buffer, int32_t count);
int32_t ojfs_write(OjfsHandle handle, const void* buffer, int32_t count);
int32_t ojfs_seek(OjfsHandle handle, int32_t offset, int32_t whence);
int32_t ojfs_tell(OjfsHandle handle);
int32_t ojfs_flush(OjfsHandle handle);
int32_t ojfs_fstat(OjfsHandle handle, OjfsStat* status);
int32_t ojfs_truncate(OjfsHandle handle, int32_t length);
// The byte, or -1 when one byte cannot be read.
int32_t ojfs_readByte(OjfsHandle handle);
// The value, or -1.
int32_t ojfs_writeByte(OjfsHandle handle, int32_t value);

int32_t ojfs_delete(const char* uri);
int32_t ojfs_stat(const char* uri, OjfsStat* status);
int32_t ojfs_mkdir(const char* uri);
int32_t ojfs_rmdir(const char* uri);
int32_t ojfs_getFreeSpace(const char* uri);
int32_t ojfs_rename(const char* from, const char* to);

int32_t ojfs_opendir(const char* uri);
OjfsDirEntry* ojfs_readdir(int32_t handle);
int32_t ojfs_closedir(int32_t handle);
int32_t ojfs_rewinddir(int32_t handle);

// A test seam: one more connector initialiser, called by ojfs_init after
// the product's list (null: none).
void ojfs_setExtraConnectorForTest(OjfsConnectorInit init);
