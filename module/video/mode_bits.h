// The five decoder mode bits, applied after every input or TV standard change.
#pragma once

void SetDecoderModeBits();
