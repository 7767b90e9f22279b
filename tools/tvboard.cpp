// Placeholder bench: a short host session against the emulated board.
#include "emu/host.h"
#include "frame/abi.h"

#include <cstdio>

int main() {
    emu::Host host;
    DllInitialize(nullptr);
    const BoardModuleCaps* const* list = nullptr;
    uint32_t count = 0;
    GetBoardModuleCaps(0, host.Ops(), &list, &count);
    TVTunerSettings* settings = nullptr;
    BoardInfo info{};
    list[0]->BoardOps->OpenBoard(emu::Host::kBoardHandle, &settings, &info);
    list[0]->BoardOps->CloseBoard(settings, 0);
    DllUnload();
    std::fputs(host.Trace().Render(true).c_str(), stdout);
    return 0;
}
