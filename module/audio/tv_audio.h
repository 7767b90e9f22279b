// TV sound modes: which the broadcast carries, and switching between them.
#pragma once

#include <stdint.h>

// Set of TV audio mode bits now available; always contains mono.
uint32_t DetectTvAudioModes();
// 1 when the requested mode set is available and was programmed, else 0.
uint8_t SetTvAudioMode(uint32_t mode);
