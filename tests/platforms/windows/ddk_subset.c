/* The DDK declarations the MSVC-mode build compiles the kernel services
 * against (module/frame/ddk/ntddk.h), after the MinGW-w64 DDK's own: each of
 * the eight routines must be declared exactly as the DDK declares it, and the
 * layout checks of that header must hold for the DDK's types. Builds with the
 * driver, links into nothing. */
#include <ntddk.h>

#include "frame/ddk/ntddk.h"
