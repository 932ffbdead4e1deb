#pragma once
/*
 * Windows event objects.
 *
 * The camera driver signals camera and device events through Windows event
 * objects. On Windows the system's own functions are used; elsewhere this
 * header declares a faithful implementation of the subset the application
 * and the simulated driver need: unnamed manual- or auto-reset events,
 * waiting on one or on any of several, and the Windows result codes.
 *
 * Semantics kept from Windows:
 *  - An auto-reset event releases exactly one wait and resets itself; any
 *    number of SetEvent calls before that wait count as one.
 *  - A manual-reset event stays signalled until ResetEvent and releases every
 *    waiter.
 *  - WaitForMultipleObjects with waitAll == FALSE returns WAIT_OBJECT_0 + i for
 *    the lowest signalled index i, resetting only that event if it is
 *    auto-reset.
 *  - An invalid or closed handle makes a wait return WAIT_FAILED.
 */

#ifdef _WIN32
#include <windows.h>
#else

#include <cstdint>

#define WINEVENTS_EXPORT __attribute__((visibility("default")))

typedef void *HANDLE;
typedef uint32_t DWORD;
typedef int BOOL;
typedef const char16_t *LPCWSTR;
typedef void *LPSECURITY_ATTRIBUTES;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED_0 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64u

#ifdef __cplusplus
extern "C" {
#endif

/* Creates an unnamed event. A non-null name is not supported and fails (null). */
WINEVENTS_EXPORT HANDLE CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset,
                                     BOOL initialState, LPCWSTR name);
WINEVENTS_EXPORT BOOL SetEvent(HANDLE event);
WINEVENTS_EXPORT BOOL ResetEvent(HANDLE event);
WINEVENTS_EXPORT DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
/* Only waitAll == FALSE (wait for any) is supported; TRUE fails. */
WINEVENTS_EXPORT DWORD WaitForMultipleObjects(DWORD count, const HANDLE *handles, BOOL waitAll,
                                              DWORD milliseconds);
WINEVENTS_EXPORT BOOL CloseHandle(HANDLE handle);

#ifdef __cplusplus
}
#endif

#endif
