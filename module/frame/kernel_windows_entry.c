/* The image's entry point. The module is an export driver: the kernel loads
 * it because the host streaming driver imports it, and then calls
 * DllInitialize, never this routine. The image format still needs an entry
 * point; should the image ever be started as a driver of its own, it loads
 * and does nothing. */
#include <ntddk.h>

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING registryPath);

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING registryPath) {
    (void)driverObject;
    (void)registryPath;
    return STATUS_SUCCESS;
}
