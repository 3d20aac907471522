// Event objects with auto-reset and manual-reset semantics, waited on with a timeout.
#pragma once

#include "platform/wintypes.h"

#ifndef _WIN32

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// attributes and name are accepted for call compatibility and ignored (events are unnamed here).
HANDLE CreateEvent(void *attributes, BOOL manualReset, BOOL initialState, const char *name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// An auto-reset event is reset by the wait that it releases; a manual-reset event stays set.
DWORD WaitForSingleObject(HANDLE event, DWORD milliseconds);
BOOL CloseHandle(HANDLE event);
void Sleep(DWORD milliseconds);

#endif
