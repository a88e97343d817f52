// The section reset: every run starts from the load-time VM variables.
//
// The host describes the VM-variable sections with JkSectionGetInfoR2: an
// array of records {type, data, zeroed area, initial data}. The reset zeroes
// each chosen zeroed area and copies the initial data over each chosen data
// area. Mode 0 resets every record, mode 1 only those of types 1 and 2.
#pragma once

#include <cstdint>

// 0; -1 when the host gives no table, -2 when its count is below 1, -3 at a
// record whose type lies outside 0..10 (the records before it are reset).
int32_t vsSectionReset_run(int32_t mode);
