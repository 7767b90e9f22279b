#include "frame/module_state.h"

// Constant-initialised: the image carries these values, no code runs at load.
#define TVB_DEFINE_STATE(type, name, init) type name = init;
TVB_MODULE_STATE(TVB_DEFINE_STATE)
#undef TVB_DEFINE_STATE

#if defined(TVBOARD_TEST_HOOKS)
void RestoreLoadState() {
#define TVB_RESTORE_STATE(type, name, init)                                                        \
    {                                                                                              \
        static type const atLoad = init;                                                           \
        name = atLoad;                                                                             \
    }
    TVB_MODULE_STATE(TVB_RESTORE_STATE)
#undef TVB_RESTORE_STATE
}
#endif
