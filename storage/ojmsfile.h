// Storage files of the suite library: the record field codec every file is
// read and written with, the last-error word of the storage layer, and the
// whole-file helpers.
//
// Invariants: the codec never touches a byte outside [0, length) of its
// buffer; a whole-file write goes to a sibling temporary ("<uri>.tmp"),
// which is flushed and then renamed over the file, so a reader (or a
// process started after a kill) sees the old file or the new one, never a
// mixture.
#pragma once

#include <cstdint>

// Field types of the codec.
enum OjmsFieldType : int32_t {
  OJMS_FIELD_BOOL = 0,
  OJMS_FIELD_U8 = 1,
  OJMS_FIELD_U16 = 2,
  OJMS_FIELD_I32 = 3,
  OJMS_FIELD_BYTES = 4,
};

// Last-error codes of the storage layer.
enum OjmsError : int32_t {
  OJMS_ERR_NONE = 0,
  OJMS_ERR_NO_CATEGORY = 1,
  OJMS_ERR_NO_SUITE = 3,
  OJMS_ERR_ATTRIBUTE_INDEX = 6,
  OJMS_ERR_CATEGORY_EXISTS = 7,
  OJMS_ERR_NOT_IN_USE = 8,
  OJMS_ERR_FILE = 256,
  OJMS_ERR_NO_CATEGORY_SLOT = 260,
  OJMS_ERR_PARAMETER = 262,
};

// Reads a field at offset into value (a 32-bit word for types 0 to 3, count
// bytes for type 4). Returns the offset after the field; -1 when it would
// end beyond the buffer (nothing copied), -2 for an unknown type.
int32_t ojms_getField(const uint8_t* buffer, int32_t length, int32_t offset, int32_t type, void* value,
                      int32_t count);
// Writes a field; the same results.
int32_t ojms_putField(uint8_t* buffer, int32_t length, int32_t offset, int32_t type, const void* value,
                      int32_t count);

int32_t ojms_getLastError();
void ojms_setLastError(int32_t code);
// Sets the last error and returns -1.
int32_t ojms_fail(int32_t code);

// Copies a text field of fieldBytes bytes into out (fieldBytes bytes),
// always terminated inside the field.
void ojms_copyTextField(char* out, const uint8_t* field, int32_t fieldBytes);
// Stores text into a field of fieldBytes bytes: at most fieldBytes - 1
// characters, the rest zero.
void ojms_storeTextField(uint8_t* field, const char* text, int32_t fieldBytes);

// Reads up to capacity bytes of a file from its start; the number read, or
// -1 (256) when it cannot be opened or read.
int32_t ojms_readFileHead(const char* uri, uint8_t* buffer, int32_t capacity);
// Size of a file, or -1 when it cannot be stat-ed.
int32_t ojms_fileSize(const char* uri);
// Creates (or truncates) a file with length bytes and flushes it; 0, or -1
// (256), the file then incomplete.
int32_t ojms_writeFlushedFile(const char* uri, const uint8_t* data, int32_t length);
// Replaces a file by length bytes, through a flushed temporary renamed over
// it; 0, or -1 (256) with the file unchanged.
int32_t ojms_writeWholeFile(const char* uri, const uint8_t* data, int32_t length);
