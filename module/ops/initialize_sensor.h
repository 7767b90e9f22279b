// InitializeSensor (VideoOps slot 4): the whole board brought up in one call.
#pragma once

#include "include/tvboard.h"

// -1 when `record` is null, else 0.
int32_t TVB_API InitializeSensor(const TVB_SENSOR_INIT_RECORD* record, TVB_ARG hostValue,
                                 int32_t restartValue, int32_t videoInput, int32_t p1, int32_t p2,
                                 int32_t p3, int32_t p4, int32_t p5, int32_t p6, int32_t p7,
                                 int32_t p8, int32_t p9, int32_t p10, int32_t p11, int32_t p12,
                                 int32_t p13, int32_t p14, int32_t p15, int32_t p16, int32_t p17);
