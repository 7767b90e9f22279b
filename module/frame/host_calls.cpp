#include "frame/host_calls.h"

// Results of host operations are never looked at: the host reports no useful
// status, and a failed read shows as the caller's cleared buffer. A slot the
// host left empty is never called; its access acts as one the host could not
// make (a read leaves the caller's cleared buffer, so it yields 0).

void HostWriteReg16(uint16_t reg, uint8_t value) {
    if (HostOps != nullptr && HostOps->WriteReg16 != nullptr) {
        HostOps->WriteReg16(HostContext, DecoderAddress, TVB_REG16_ADDRESS_BITS, reg, value,
                            TVB_HOST_ZERO_ARG);
    }
}

void HostReadReg16(uint16_t reg, uint8_t* value) {
    if (HostOps != nullptr && HostOps->ReadReg16 != nullptr) {
        HostOps->ReadReg16(HostContext, DecoderAddress, TVB_REG16_ADDRESS_BITS, reg, value,
                           TVB_HOST_ZERO_ARG);
    }
}

void HostBusWrite(uint8_t device, const uint8_t* bytes, uint32_t count) {
    if (HostOps != nullptr && HostOps->BusWrite != nullptr) {
        HostOps->BusWrite(HostContext, device, TVB_BUS_WRITE_MODE, TVB_HOST_ZERO_ARG, count, bytes,
                          TVB_BUS_TRANSFER_FLAGS);
    }
}

void HostBusRead(uint8_t device, uint8_t* buffer, uint32_t count) {
    if (HostOps != nullptr && HostOps->BusRead != nullptr) {
        HostOps->BusRead(HostContext, device, TVB_BUS_READ_MODE, TVB_HOST_ZERO_ARG, count, buffer,
                         TVB_BUS_TRANSFER_FLAGS);
    }
}

void HostWritePins(TVB_HOST_HANDLE handle, uint32_t count, const uint32_t* pins,
                   const uint32_t* values) {
    if (HostOps != nullptr && HostOps->WritePins != nullptr) {
        HostOps->WritePins(handle, count, pins, values, TVB_HOST_ZERO_ARG);
    }
}

void HostReadPins(uint32_t count, const uint32_t* pins, uint32_t* values) {
    if (HostOps != nullptr && HostOps->ReadPins != nullptr) {
        HostOps->ReadPins(HostContext, count, pins, values, TVB_READ_PINS_MODE);
    }
}
