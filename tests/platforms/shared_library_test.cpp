// libtvboard.so as any host program sees it: dlopen, the three exports by
// name, and everything else reached through GetBoardModuleCaps.
#include "include/tvboard.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

TEST(SharedLibrary, ExportsReachTheCapabilityRecord) {
    void* lib = dlopen(TVB_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto init = reinterpret_cast<TVB_DLL_INITIALIZE_FN>(dlsym(lib, "DllInitialize"));
    auto unload = reinterpret_cast<TVB_DLL_UNLOAD_FN>(dlsym(lib, "DllUnload"));
    auto getCaps = reinterpret_cast<TVB_GET_BOARD_MODULE_CAPS_FN>(dlsym(lib, "GetBoardModuleCaps"));
    ASSERT_NE(init, nullptr);
    ASSERT_NE(unload, nullptr);
    ASSERT_NE(getCaps, nullptr);
    EXPECT_EQ(dlsym(lib, "OpenBoard"), nullptr) << "only the three exports are visible";

    testing::internal::CaptureStderr();
    EXPECT_EQ(init(nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "<ORVELSTRM.SYS> ************ Load Board Module *************\n");

    TVB_HOST_OPS none{};
    const TVB_BOARD_MODULE_CAPS* const* list = nullptr;
    uint32_t count = 0;
    getCaps(0, &none, &list, &count);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(list[0]->Size, sizeof(TVB_BOARD_MODULE_CAPS))
        << "the record as this platform lays it out";
    EXPECT_EQ(list[0]->InputOps->Slot0(0, 0), 7u);
    EXPECT_EQ(list[0]->VideoOps->Slot0(0, 0), 341u);

    testing::internal::CaptureStderr();
    unload();
    testing::internal::GetCapturedStderr();
    dlclose(lib);
}
