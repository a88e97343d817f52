// The system's English text of an error code, or "???" when it has none.
#pragma once

#include <string>

#include "ce/core/windows_types.h"

std::u16string SystemErrorText(DWORD code);
