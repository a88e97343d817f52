// The compatibility-test agent's HTTP transfer: one GET over the port's
// HTTP functions (port/jk_http.h) with connection parameter 0, whose
// events AmNotifyHttpEvent stores in the agent's event words
// (vm/services/events/http_event.h).
//
//   open -> 1, finish request -> 6, reads -> 7 (header until CR LF CR LF,
//   then the body up to its Content-Length or a read of 0), close -> 8
//
// Each read asks at most the room left in the buffer; a body that cannot
// fit fails. Waiting resets the VM wake event, looks at the event words
// and sleeps on the event for up to 100 ms at a time.
#pragma once

#include <cstdint>

// The HTTP status, with *size (in: the buffer size) the bytes received,
// header included; or -1 after a logged failure.
int32_t vsTckAgent_httpTransfer(const char* url, uint8_t* buffer, int32_t* size);

// Waits milliseconds on the VM wake event, however often it is set.
void vsTckAgent_pause(int32_t milliseconds);
