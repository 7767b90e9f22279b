// The tuner property interface (TunerOps): mode caps, and get and set of the
// tuner's settings through a request record.
#pragma once

#include "include/tvboard.h"

// Mode 1 (TV) or 2 (FM radio) fills the caps; any other mode writes nothing.
uint32_t TVB_API GetTunerModeCaps(TVB_ARG, TVB_ARG, uint32_t mode, TunerModeCaps* caps);
// Answers the request from the module's copy of the settings (and, by
// request, the TV audio modes available, the pin byte or the lock status).
uint32_t TVB_API GetTunerProperty(TVTunerSettings* settings, TVB_ARG unused,
                                  TVTunerSettings* request);
// Runs the board's one-time set-up, then applies the request. Always 0.
uint32_t TVB_API SetTunerProperty(TVTunerSettings* settings, TVB_ARG unused,
                                  TVTunerSettings* request);
