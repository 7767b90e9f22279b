// The capability record and the five operation tables it points to.
#pragma once

#include "frame/abi.h"

extern const BoardOpsTable BoardOps;
extern const VideoOpsTable VideoOps;
extern const AudioOpsTable AudioOps;
extern const InputOpsTable InputOps;
extern const TunerOpsTable TunerOps;

extern const BoardModuleCaps BoardModuleCapsRecord;
