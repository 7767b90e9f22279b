// Opening and closing the board (the two slots of BoardOps): the host's
// handle, the settings record the host keeps, the board description.
#pragma once

#include "include/tvboard.h"

TVB_STATUS TVB_API OpenBoard(TVB_HOST_HANDLE ctx, TVTunerSettings** settingsOut, BoardInfo* info);
TVB_STATUS TVB_API CloseBoard(TVTunerSettings* settings, TVB_ARG unused);

// Writes the board's defaults into fields 8 to 36 of a settings record.
void WriteSettingsDefaults(TVTunerSettings* settings);
