// The file the romizer writes: named once, so that a failure can remove
// it (romizer_fail).
#pragma once

void romizer_setOutputPath(const char* path);
