// Registry calls (see regapi.h).
#include "ce/reg/regapi.h"

#include <cstring>
#include <string>
#include <vector>

#include "ce/base/codepage.h"
#include "ce/base/lasterror.h"
#include "ce/reg/regdb.h"

namespace {

constexpr uint32_t kKeyMagic = 0x5245474Bu;  // "REGK"

struct KeyObject {
  uint32_t magic;
  int64_t id;
};

// The regkeys row of a root key (see regdb.h), 0 for other handles.
int64_t lRootId(HKEY key) {
  for (const RegRoot& root : kRegRoots)
    if (reinterpret_cast<uintptr_t>(key) == root.handle)
      return root.id;
  return 0;
}

// The key id behind a handle: a root, or an opened key; 0 when invalid.
int64_t lHandleId(HKEY key) {
  if (const int64_t root = lRootId(key))
    return root;
  auto* object = reinterpret_cast<KeyObject*>(key);
  if (object == nullptr || object->magic != kKeyMagic)
    return 0;
  return object->id;
}

std::string lUtf8(const WCHAR* text) {
  if (text == nullptr)
    return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

std::u16string lUtf16(const std::string& text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::vector<std::string> lComponents(const WCHAR* subKey) {
  std::vector<std::string> parts;
  const std::string path = lUtf8(subKey);
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos)
      end = path.size();
    if (end > start)
      parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// ERROR_SUCCESS when the key row exists, ERROR_KEY_DELETED when not.
LONG lExists(sqlite3* db, int64_t id) {
  RegStatement query(db, "SELECT 1 FROM regkeys WHERE id = ?");
  const int rc = query.bind(1, id).step();
  if (rc == SQLITE_ROW)
    return ERROR_SUCCESS;
  return rc == SQLITE_DONE ? ERROR_KEY_DELETED : vsCeReg_error(rc);
}

// Finds the child of parent named name: its id, 0 when missing, -1 on error.
int64_t lChild(sqlite3* db, int64_t parent, const std::string& name, LONG* error) {
  RegStatement query(db, "SELECT id FROM regkeys WHERE parent = ? AND name = ?");
  const int rc = query.bind(1, parent).bind(2, name).step();
  if (rc == SQLITE_ROW)
    return query.integer(0);
  if (rc != SQLITE_DONE) {
    *error = vsCeReg_error(rc);
    return -1;
  }
  return 0;
}

HKEY lNewHandle(int64_t id) { return reinterpret_cast<HKEY>(new KeyObject{kKeyMagic, id}); }

LONG lInvalid(HKEY key) { return lHandleId(key) == 0 ? ERROR_INVALID_HANDLE : ERROR_SUCCESS; }

}  // namespace

LONG RegOpenKeyExW(HKEY key, const WCHAR* subKey, DWORD, REGSAM, HKEY* result) {
  const int64_t start = lHandleId(key);
  if (start == 0 || result == nullptr)
    return start == 0 ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER;
  const std::vector<std::string> parts = lComponents(subKey);
  int64_t id = start;
  const LONG status = vsCeReg_run(false, [&](sqlite3* db) -> LONG {
    LONG error = lExists(db, start);
    if (error != ERROR_SUCCESS)
      return error;
    for (const std::string& part : parts) {
      id = lChild(db, id, part, &error);
      if (id <= 0)
        return id < 0 ? error : ERROR_FILE_NOT_FOUND;
    }
    return ERROR_SUCCESS;
  });
  if (status == ERROR_SUCCESS)
    *result = lNewHandle(id);
  return status;
}

LONG RegCreateKeyExW(HKEY key, const WCHAR* subKey, DWORD, WCHAR*, DWORD, REGSAM, SECURITY_ATTRIBUTES*,
                     HKEY* result, DWORD* disposition) {
  const int64_t start = lHandleId(key);
  if (start == 0 || result == nullptr)
    return start == 0 ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER;
  const std::vector<std::string> parts = lComponents(subKey);
  int64_t id = start;
  bool created = false;
  const LONG status = vsCeReg_run(true, [&](sqlite3* db) -> LONG {
    LONG error = lExists(db, start);
    if (error != ERROR_SUCCESS)
      return error;
    for (const std::string& part : parts) {
      const int64_t child = lChild(db, id, part, &error);
      if (child < 0)
        return error;
      if (child > 0) {
        id = child;
        continue;
      }
      RegStatement insert(db, "INSERT INTO regkeys(parent, name) VALUES(?, ?)");
      const int rc = insert.bind(1, id).bind(2, part).step();
      if (rc != SQLITE_DONE)
        return vsCeReg_error(rc);
      id = sqlite3_last_insert_rowid(db);
      created = true;
    }
    return ERROR_SUCCESS;
  });
  if (status != ERROR_SUCCESS)
    return status;
  *result = lNewHandle(id);
  if (disposition != nullptr)
    *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY key, const WCHAR* name, DWORD*, DWORD* type, BYTE* data, DWORD* size) {
  const int64_t id = lHandleId(key);
  if (id == 0)
    return ERROR_INVALID_HANDLE;
  if (data != nullptr && size == nullptr)
    return ERROR_INVALID_PARAMETER;
  const std::string valueName = lUtf8(name);
  return vsCeReg_run(false, [&](sqlite3* db) -> LONG {
    const LONG error = lExists(db, id);
    if (error != ERROR_SUCCESS)
      return error;
    RegStatement query(db, "SELECT type, data FROM regvalues WHERE key = ? AND name = ?");
    const int rc = query.bind(1, id).bind(2, valueName).step();
    if (rc == SQLITE_DONE)
      return ERROR_FILE_NOT_FOUND;
    if (rc != SQLITE_ROW)
      return vsCeReg_error(rc);
    const DWORD bytes = static_cast<DWORD>(query.bytes(1));
    if (type != nullptr)
      *type = static_cast<DWORD>(query.integer(0));
    if (size == nullptr)
      return ERROR_SUCCESS;
    const DWORD room = *size;
    *size = bytes;
    if (data == nullptr)
      return ERROR_SUCCESS;
    if (room < bytes)
      return ERROR_MORE_DATA;
    if (bytes > 0)
      std::memcpy(data, query.blob(1), bytes);
    return ERROR_SUCCESS;
  });
}

LONG RegSetValueExW(HKEY key, const WCHAR* name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  const int64_t id = lHandleId(key);
  if (id == 0)
    return ERROR_INVALID_HANDLE;
  if ((data == nullptr && size > 0) || size > 0x7FFFFFFF || (type == REG_DWORD && size != 4))
    return ERROR_INVALID_PARAMETER;
  const std::string valueName = lUtf8(name);
  return vsCeReg_run(true, [&](sqlite3* db) -> LONG {
    const LONG error = lExists(db, id);
    if (error != ERROR_SUCCESS)
      return error;
    RegStatement upsert(db, "INSERT OR REPLACE INTO regvalues(key, name, type, data) VALUES(?, ?, ?, ?)");
    const int rc = upsert.bind(1, id).bind(2, valueName).bind(3, type).bindBlob(4, data, static_cast<int>(size)).step();
    return rc == SQLITE_DONE ? ERROR_SUCCESS : vsCeReg_error(rc);
  });
}

LONG RegDeleteValueW(HKEY key, const WCHAR* name) {
  const int64_t id = lHandleId(key);
  if (id == 0)
    return ERROR_INVALID_HANDLE;
  const std::string valueName = lUtf8(name);
  return vsCeReg_run(true, [&](sqlite3* db) -> LONG {
    const LONG error = lExists(db, id);
    if (error != ERROR_SUCCESS)
      return error;
    RegStatement remove(db, "DELETE FROM regvalues WHERE key = ? AND name = ?");
    const int rc = remove.bind(1, id).bind(2, valueName).step();
    if (rc != SQLITE_DONE)
      return vsCeReg_error(rc);
    return sqlite3_changes(db) > 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

LONG RegDeleteKeyW(HKEY key, const WCHAR* subKey) {
  const int64_t start = lHandleId(key);
  if (start == 0)
    return ERROR_INVALID_HANDLE;
  const std::vector<std::string> parts = lComponents(subKey);
  if (parts.empty())
    return ERROR_INVALID_PARAMETER;
  return vsCeReg_run(true, [&](sqlite3* db) -> LONG {
    LONG error = lExists(db, start);
    if (error != ERROR_SUCCESS)
      return error;
    int64_t id = start;
    for (const std::string& part : parts) {
      id = lChild(db, id, part, &error);
      if (id <= 0)
        return id < 0 ? error : ERROR_FILE_NOT_FOUND;
    }
    static const char* const kSteps[] = {
        "WITH RECURSIVE tree(id) AS (SELECT ? UNION ALL SELECT regkeys.id FROM regkeys JOIN tree"
        " ON regkeys.parent = tree.id) DELETE FROM regvalues WHERE key IN tree",
        "WITH RECURSIVE tree(id) AS (SELECT ? UNION ALL SELECT regkeys.id FROM regkeys JOIN tree"
        " ON regkeys.parent = tree.id) DELETE FROM regkeys WHERE id IN tree",
    };
    for (const char* sql : kSteps) {
      RegStatement remove(db, sql);
      const int rc = remove.bind(1, id).step();
      if (rc != SQLITE_DONE)
        return vsCeReg_error(rc);
    }
    return ERROR_SUCCESS;
  });
}

namespace {

// Copies name into out (units, with room for the terminator); ERROR_MORE_DATA
// when it does not fit.
LONG lPutName(const std::string& name, WCHAR* out, DWORD* units) {
  const std::u16string wide = lUtf16(name);
  if (out == nullptr || units == nullptr)
    return ERROR_INVALID_PARAMETER;
  if (wide.size() + 1 > *units)
    return ERROR_MORE_DATA;
  std::memcpy(out, wide.data(), wide.size() * sizeof(WCHAR));
  out[wide.size()] = 0;
  *units = static_cast<DWORD>(wide.size());
  return ERROR_SUCCESS;
}

}  // namespace

LONG RegEnumKeyExW(HKEY key, DWORD index, WCHAR* name, DWORD* nameUnits, DWORD*, WCHAR* keyClass,
                   DWORD* classUnits, FILETIME* lastWrite) {
  const int64_t id = lHandleId(key);
  if (id == 0)
    return ERROR_INVALID_HANDLE;
  return vsCeReg_run(false, [&](sqlite3* db) -> LONG {
    const LONG error = lExists(db, id);
    if (error != ERROR_SUCCESS)
      return error;
    RegStatement query(db, "SELECT name FROM regkeys WHERE parent = ? ORDER BY id LIMIT 1 OFFSET ?");
    const int rc = query.bind(1, id).bind(2, index).step();
    if (rc == SQLITE_DONE)
      return ERROR_NO_MORE_ITEMS;
    if (rc != SQLITE_ROW)
      return vsCeReg_error(rc);
    if (keyClass != nullptr && classUnits != nullptr && *classUnits > 0) {
      keyClass[0] = 0;
      *classUnits = 0;
    }
    if (lastWrite != nullptr)
      *lastWrite = FILETIME{0, 0};
    return lPutName(query.text(0), name, nameUnits);
  });
}

LONG RegEnumValueW(HKEY key, DWORD index, WCHAR* name, DWORD* nameUnits, DWORD*, DWORD* type, BYTE* data,
                   DWORD* size) {
  const int64_t id = lHandleId(key);
  if (id == 0)
    return ERROR_INVALID_HANDLE;
  if (data != nullptr && size == nullptr)
    return ERROR_INVALID_PARAMETER;
  return vsCeReg_run(false, [&](sqlite3* db) -> LONG {
    const LONG error = lExists(db, id);
    if (error != ERROR_SUCCESS)
      return error;
    RegStatement query(db, "SELECT name, type, data FROM regvalues WHERE key = ? ORDER BY rowid LIMIT 1 OFFSET ?");
    const int rc = query.bind(1, id).bind(2, index).step();
    if (rc == SQLITE_DONE)
      return ERROR_NO_MORE_ITEMS;
    if (rc != SQLITE_ROW)
      return vsCeReg_error(rc);
    const LONG named = lPutName(query.text(0), name, nameUnits);
    if (named != ERROR_SUCCESS)
      return named;
    if (type != nullptr)
      *type = static_cast<DWORD>(query.integer(1));
    if (size == nullptr)
      return ERROR_SUCCESS;
    const DWORD bytes = static_cast<DWORD>(query.bytes(2));
    const DWORD room = *size;
    *size = bytes;
    if (data == nullptr)
      return ERROR_SUCCESS;
    if (room < bytes)
      return ERROR_MORE_DATA;
    if (bytes > 0)
      std::memcpy(data, query.blob(2), bytes);
    return ERROR_SUCCESS;
  });
}

LONG RegCloseKey(HKEY key) {
  if (lRootId(key) != 0)
    return ERROR_SUCCESS;
  auto* object = reinterpret_cast<KeyObject*>(key);
  if (object == nullptr || object->magic != kKeyMagic)
    return ERROR_INVALID_HANDLE;
  object->magic = 0;
  delete object;
  return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key) {
  if (lInvalid(key) != ERROR_SUCCESS)
    return ERROR_INVALID_HANDLE;
  // Every write is committed when its call returns.
  return ERROR_SUCCESS;
}
