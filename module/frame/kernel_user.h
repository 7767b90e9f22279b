// Control of the user-mode kernel services (real waits, debug text on stderr).
#pragma once

#include <stdint.h>

// The interrupt level the services report; passive (0) unless raised here.
void KsUserSetIrql(uint8_t level);
