// The decoder registers that follow the TV standard.
#pragma once

// NTSC M and M J take their own values; every other standard the same.
void WriteStandardRegisters(bool ntsc);
