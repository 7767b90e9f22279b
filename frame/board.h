// Opening and closing the board (the two slots of BoardOps): the host's
// handle, the settings record the host keeps, the board description.
#pragma once

#include "frame/abi.h"

NtStatus TVB_STDCALL OpenBoard(HostHandle ctx, TVTunerSettings** settingsOut, BoardInfo* info);
NtStatus TVB_STDCALL CloseBoard(TVTunerSettings* settings, Arg unused);

// Writes the board's defaults into fields 8 to 36 of a settings record.
void WriteSettingsDefaults(TVTunerSettings* settings);
