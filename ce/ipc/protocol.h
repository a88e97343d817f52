// Frames between the programs of a device and its device server: the one
// table of frame kinds, and the codec both sides use.
//
// A frame is one datagram of 32-bit little-endian words:
//
//   | magic | version | kind | request id | length | fields ... |
//
// `length` is the byte size of the whole frame and must equal the datagram's;
// no frame exceeds kMaxFrameBytes. The fields of each kind are fixed by its
// row of kFrameKinds, a string of field letters:
//
//   u  one word
//   q  a 64-bit integer: two words, low first
//   s  a counted UTF-16 string: a word with the count of units, then the
//      units, two to a word, the last word padded with zero
//   b  counted bytes: a word with the count, then the bytes, four to a word,
//      the last word padded with zero
//
// Decoding trusts nothing: every count is checked against the bytes left, the
// padding must be zero and nothing may follow the last field, so a frame that
// decodes re-encodes to exactly its own bytes. A refused frame comes with a
// short reason for the server's log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kFrameMagic = 0x56434544u;  // "DECV" in memory order
constexpr uint32_t kFrameVersion = 1;
constexpr uint32_t kFrameHeaderBytes = 20;
constexpr uint32_t kMaxFrameBytes = 64u << 10;

enum class FrameKind : uint32_t {
  Reply = 1,           // server: status (CE error code, 0 done), value
  RegisterWindow,      // tid, style, parent, owner, visible, class, title
  DestroyWindow,       // hwnd
  SetWindowText,       // hwnd, title
  ShowWindow,          // hwnd, visible
  SetForegroundWindow, // hwnd
  FindWindow,          // match (1 class, 2 title), class, title
  QueryWindow,         // hwnd
  WindowInfo,          // server: hwnd, pid, tid, visible, foreground, class, title
  PostMessage,         // hwnd, message, wParam, lParam
  SendMessage,         // hwnd, message, wParam, lParam, cbData, data (WM_COPYDATA)
  Deliver,             // server: send id (0 posted), hwnd, tid, message, wParam, lParam, cbData, data
  SendReply,           // send id, result
  CreateMutex,         // name
  CloseMutex,          // name
  CreateProcess,       // module (CE path), command line
  ProcessExited,       // server: pid, status
  ListWindows,         // (control)
  WaitWindow,          // flags (1 gone, 2 class, 4 title), time-out ms, class, title
  Stop,                // (control)
};

struct FrameKindInfo {
  FrameKind kind;
  const char* name;
  const char* fields;  // field letters, see above
};

// Row i describes kind i + 1.
inline constexpr FrameKindInfo kFrameKinds[] = {
    {FrameKind::Reply, "Reply", "uq"},
    {FrameKind::RegisterWindow, "RegisterWindow", "uuuuuss"},
    {FrameKind::DestroyWindow, "DestroyWindow", "u"},
    {FrameKind::SetWindowText, "SetWindowText", "us"},
    {FrameKind::ShowWindow, "ShowWindow", "uu"},
    {FrameKind::SetForegroundWindow, "SetForegroundWindow", "u"},
    {FrameKind::FindWindow, "FindWindow", "uss"},
    {FrameKind::QueryWindow, "QueryWindow", "u"},
    {FrameKind::WindowInfo, "WindowInfo", "uuuuuss"},
    {FrameKind::PostMessage, "PostMessage", "uuqq"},
    {FrameKind::SendMessage, "SendMessage", "uuqqub"},
    {FrameKind::Deliver, "Deliver", "uuuuqqub"},
    {FrameKind::SendReply, "SendReply", "uq"},
    {FrameKind::CreateMutex, "CreateMutex", "s"},
    {FrameKind::CloseMutex, "CloseMutex", "s"},
    {FrameKind::CreateProcess, "CreateProcess", "ss"},
    {FrameKind::ProcessExited, "ProcessExited", "uu"},
    {FrameKind::ListWindows, "ListWindows", ""},
    {FrameKind::WaitWindow, "WaitWindow", "uuss"},
    {FrameKind::Stop, "Stop", ""},
};

constexpr uint32_t kFrameKindCount = sizeof kFrameKinds / sizeof kFrameKinds[0];

constexpr bool frameKindsAreWellFormed() {
  for (uint32_t i = 0; i < kFrameKindCount; ++i) {
    if (static_cast<uint32_t>(kFrameKinds[i].kind) != i + 1)
      return false;
    for (const char* f = kFrameKinds[i].fields; *f != 0; ++f)
      if (*f != 'u' && *f != 'q' && *f != 's' && *f != 'b')
        return false;
  }
  return true;
}
static_assert(frameKindsAreWellFormed(), "frame kinds in order from 1, fields of u, q, s, b only");

// One decoded field: `number` for u and q, `text` for s, `bytes` for b.
struct FrameField {
  char type;
  uint64_t number;
  std::u16string text;
  std::vector<uint8_t> bytes;
};

struct Frame {
  FrameKind kind;
  uint32_t requestId;
  std::vector<FrameField> fields;

  Frame& u32(uint32_t value);
  Frame& i64(int64_t value);
  Frame& str(std::u16string value);
  Frame& bin(std::vector<uint8_t> value);

  // The field at index as the type its kind gives it.
  uint32_t u32At(size_t index) const { return static_cast<uint32_t>(fields[index].number); }
  int64_t i64At(size_t index) const { return static_cast<int64_t>(fields[index].number); }
};

// The row of a kind, or null for a number no kind has.
const FrameKindInfo* vsCeIpc_kindInfo(uint32_t kind);

// The frame's bytes; empty when its fields do not follow its kind's row or it
// would exceed kMaxFrameBytes.
std::vector<uint8_t> vsCeIpc_encode(const Frame& frame);

// Decodes one datagram. False with *reason (a static text) when it is no
// well-formed frame.
bool vsCeIpc_decode(const uint8_t* data, size_t size, Frame* frame, const char** reason);
