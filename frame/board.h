// Defaults of the settings record and the board description.
#pragma once

#include "frame/abi.h"

// Writes the board's defaults into fields 8 to 36 of a settings record.
void WriteSettingsDefaults(TVTunerSettings* settings);
