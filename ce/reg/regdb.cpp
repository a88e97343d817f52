// The registry database (see regdb.h).
#include "ce/reg/regdb.h"

#include <unistd.h>

#include <mutex>

#include "ce/base/lasterror.h"
#include "ce/fs/pathmap.h"

namespace {

std::mutex gLock;
sqlite3* gDb = nullptr;  // guarded by gLock
pid_t gOwner = 0;        // the process that opened gDb

constexpr int kBusyTimeoutMs = 5000;
constexpr int kBusyStepMs = 2;

bool lBusy(int rc) { return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED; }

// Runs step until it is not refused as busy or the busy time-out has passed.
// SQLite's own busy handler does not cover every case (a connection that
// opens while another runs WAL recovery, a read that meets a checkpoint).
template <typename Step>
int lRetry(Step step) {
  int rc = step();
  for (int waited = 0; lBusy(rc) && waited < kBusyTimeoutMs; waited += kBusyStepMs) {
    sqlite3_sleep(kBusyStepMs);
    rc = step();
  }
  return rc;
}

int lExec(sqlite3* db, const char* sql) {
  return lRetry([db, sql] { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); });
}

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS regkeys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
    " name TEXT NOT NULL COLLATE NOCASE, UNIQUE(parent, name));"
    "CREATE TABLE IF NOT EXISTS regvalues(key INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE,"
    " type INTEGER NOT NULL, data BLOB, PRIMARY KEY(key, name));";

int lCreateSchema(sqlite3* db) {
  int rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
  for (const RegRoot& root : kRegRoots) {
    if (rc != SQLITE_OK)
      break;
    RegStatement insert(db, "INSERT OR IGNORE INTO regkeys(id, parent, name) VALUES(?, 0, ?)");
    rc = insert.bind(1, root.id).bind(2, root.name).step();
    rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
  }
  return rc;
}

LONG lOpen() {
  if (gDb != nullptr && gOwner == getpid())
    return ERROR_SUCCESS;
  gDb = nullptr;  // a connection inherited through fork is abandoned, never used
  std::string root;
  if (!vsCeFs_deviceRoot(&root))
    return ERROR_PATH_NOT_FOUND;
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2((root + "/.ce/registry.db").c_str(), &db,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_busy_timeout(db, kBusyTimeoutMs);
  if (rc == SQLITE_OK)
    rc = lExec(db, "PRAGMA journal_mode=WAL");
  if (rc == SQLITE_OK)
    rc = lExec(db, "BEGIN IMMEDIATE");
  if (rc == SQLITE_OK) {
    rc = lCreateSchema(db);
    const int end = lExec(db, rc == SQLITE_OK ? "COMMIT" : "ROLLBACK");
    if (rc == SQLITE_OK)
      rc = end;
  }
  if (rc != SQLITE_OK) {
    const LONG error = rc == SQLITE_CANTOPEN ? ERROR_PATH_NOT_FOUND : vsCeReg_error(rc);
    sqlite3_close(db);
    return error;
  }
  gDb = db;
  gOwner = getpid();
  return ERROR_SUCCESS;
}

}  // namespace

LONG vsCeReg_error(int sqliteCode) {
  switch (sqliteCode & 0xFF) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_ERROR:  // a database whose tables are missing or damaged
      return ERROR_BADDB;
    default:
      return ERROR_GEN_FAILURE;
  }
}

LONG vsCeReg_runBody(bool write, RegBody body, void* context) {
  std::lock_guard<std::mutex> guard(gLock);
  const LONG opened = lOpen();
  if (opened != ERROR_SUCCESS)
    return opened;
  if (!write)
    return body(gDb, context);
  const int rc = lExec(gDb, "BEGIN IMMEDIATE");
  if (rc != SQLITE_OK)
    return vsCeReg_error(rc);
  LONG result = body(gDb, context);
  if (result == ERROR_SUCCESS) {
    const int end = lExec(gDb, "COMMIT");
    if (end != SQLITE_OK) {
      sqlite3_exec(gDb, "ROLLBACK", nullptr, nullptr, nullptr);
      result = vsCeReg_error(end);
    }
  } else {
    sqlite3_exec(gDb, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  return result;
}

void vsCeReg_reset() {
  std::lock_guard<std::mutex> guard(gLock);
  if (gDb != nullptr && gOwner == getpid())
    sqlite3_close(gDb);
  gDb = nullptr;
}

RegStatement::RegStatement(sqlite3* db, const char* sql) {
  if (lRetry([&] { return sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }) != SQLITE_OK)
    statement_ = nullptr;
}

RegStatement::~RegStatement() { sqlite3_finalize(statement_); }

RegStatement& RegStatement::bind(int index, int64_t value) {
  sqlite3_bind_int64(statement_, index, value);
  return *this;
}

RegStatement& RegStatement::bind(int index, const std::string& text) {
  sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  return *this;
}

RegStatement& RegStatement::bindBlob(int index, const void* data, int size) {
  sqlite3_bind_blob(statement_, index, size == 0 ? "" : data, size, SQLITE_TRANSIENT);
  return *this;
}

int RegStatement::step() {
  if (statement_ == nullptr)
    return SQLITE_CORRUPT;
  return lRetry([this] {
    const int rc = sqlite3_step(statement_);
    if (lBusy(rc))
      sqlite3_reset(statement_);
    return rc;
  });
}

int64_t RegStatement::integer(int column) { return sqlite3_column_int64(statement_, column); }

std::string RegStatement::text(int column) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
  return p == nullptr ? std::string() : std::string(p, static_cast<size_t>(sqlite3_column_bytes(statement_, column)));
}

const void* RegStatement::blob(int column) { return sqlite3_column_blob(statement_, column); }

int RegStatement::bytes(int column) { return sqlite3_column_bytes(statement_, column); }
