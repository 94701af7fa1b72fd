// <windows.h> for the user interface, without the 16-bit relics among its
// macros that would rename the program's own functions (GetFreeSpace of
// fs/disk_query.h).
#pragma once

#include <windows.h>

#undef GetFreeSpace
