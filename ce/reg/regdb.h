// The registry database: one SQLite file, <root>/.ce/registry.db, shared by
// every process of the device.
//
//   regkeys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent, name COLLATE NOCASE,
//           UNIQUE(parent, name))        kRegRoots gives the root keys' rows
//   regvalues(key, name COLLATE NOCASE, type, data BLOB,
//             PRIMARY KEY(key, name))
//
// The database runs in WAL mode with a 5 s busy timeout, and every write
// runs inside BEGIN IMMEDIATE, so writers of several processes queue instead
// of failing. One connection per process, opened on first use and guarded
// by a mutex; a process made by fork opens its own. Key ids are never
// reused, so a handle whose key was deleted (by any process) stays deleted.
// A database that cannot be read gives ERROR_BADDB, never a crash.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "ce/core/windows_types.h"
#include "ce/reg/regroots.h"

// Runs body on the connection under the mutex, inside one IMMEDIATE
// transaction when write is set (committed when body returns
// ERROR_SUCCESS, else rolled back). Returns body's result, or the error of
// opening the database.
template <typename Body>
LONG vsCeReg_run(bool write, Body body);

// A prepared statement that finalises itself.
class RegStatement {
 public:
  RegStatement(sqlite3* db, const char* sql);
  ~RegStatement();
  RegStatement(const RegStatement&) = delete;
  RegStatement& operator=(const RegStatement&) = delete;

  RegStatement& bind(int index, int64_t value);
  RegStatement& bind(int index, const std::string& text);
  RegStatement& bindBlob(int index, const void* data, int size);
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int step();
  int64_t integer(int column);
  std::string text(int column);
  const void* blob(int column);
  int bytes(int column);
  bool ok() const { return statement_ != nullptr; }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

// The CE code of an SQLite failure: ERROR_BADDB for an unreadable or
// damaged database, ERROR_GEN_FAILURE otherwise.
LONG vsCeReg_error(int sqliteCode);

// Closes the process's connection (tests switch device roots with it).
void vsCeReg_reset();

// Implementation of vsCeReg_run.
using RegBody = LONG (*)(sqlite3* db, void* context);
LONG vsCeReg_runBody(bool write, RegBody body, void* context);

template <typename Body>
LONG vsCeReg_run(bool write, Body body) {
  return vsCeReg_runBody(
      write, [](sqlite3* db, void* context) -> LONG { return (*static_cast<Body*>(context))(db); }, &body);
}
