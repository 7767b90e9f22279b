// The five operation tables, made from the public header's lists. Slots the
// board does not support hold stubs that ignore their arguments and return
// the constant the host expects; one stub serves every slot with the same
// argument count and constant. The tables are constant data, initialised
// before any code runs.
#include "exports/tables.h"

#include "ops/audio_format.h"
#include "ops/initialize_sensor.h"
#include "ops/input_selection.h"
#include "ops/open_close.h"
#include "ops/tuner_properties.h"
#include "ops/video_properties.h"
#include "ops/video_standards.h"

namespace {

// A stub of as many arguments as the slot it fills has (deduced from the
// slot's type), returning Result.
template <TVB_ARG Result, typename... Ignored> TVB_ARG TVB_API Stub(Ignored...) {
    return Result;
}

} // namespace

#define TVB_TABLE_OP(table, slot, member, type, arguments, routine) routine,
#define TVB_TABLE_STUB(table, slot, member, arguments, result) Stub<result>,
#define TVB_TABLE(table, type, slots) const type table = {slots(TVB_TABLE_OP, TVB_TABLE_STUB)};
TVB_OPS_TABLES(TVB_TABLE)
