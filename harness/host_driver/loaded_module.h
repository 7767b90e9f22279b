// A built module loaded from a file, whichever loader takes it: the three
// exports the host reaches, the reason a load failed, and whether its code
// runs on the virtual-time services of this process or on real waits.
#pragma once

#include "include/tvboard.h"

#include <cstddef>
#include <memory>
#include <string>

namespace host_driver {

// The module's three exports as the host reaches them.
struct Exports {
    TVB_DLL_INITIALIZE_FN Initialize;
    TVB_DLL_UNLOAD_FN Unload;
    TVB_GET_BOARD_MODULE_CAPS_FN GetCaps;
};

class LoadedModule {
  public:
    LoadedModule() = default;
    virtual ~LoadedModule() = default;
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    // Maps the file afresh, so the module starts from its load state; false
    // with the reason in Error() when it cannot be loaded or lacks one of
    // the three exports. The path is taken as given: a bare file name is the
    // file in the current folder.
    virtual bool Load(const std::string& path) = 0;
    virtual void Unload() = 0;
    // True when the module's code runs here on the virtual-time kernel
    // services (a Windows image mapped in-process); false when the system's
    // loader bound it to real waits.
    virtual bool OnVirtualTime() const = 0;
    // Whether the `size` bytes at `at` lie within what the loader mapped of
    // the module: where its records, tables and routines must be.
    virtual bool Holds(const void* at, size_t size) const = 0;

    const Exports& Bound() const { return exports_; }
    const std::string& Error() const { return error_; }

  protected:
    bool AllBound() const {
        return exports_.Initialize != nullptr && exports_.Unload != nullptr &&
               exports_.GetCaps != nullptr;
    }

    Exports exports_{};
    std::string error_;
};

// The loader that takes this file: outside Windows a Windows kernel image is
// mapped into this process (pe_image.h); anything else goes to the system's
// loader (module_image.h).
std::unique_ptr<LoadedModule> LoaderFor(const std::string& path);

} // namespace host_driver
