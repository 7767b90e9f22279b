// A built module loaded the way its host loads it: the shared library with
// the dynamic loader on Linux, the kernel image with the Windows loader
// (under Wine when the bench runs there). Each load maps the image afresh,
// so the module starts from its load state; Unload takes it out again.
#pragma once

#include "include/tvboard.h"

#include <string>

namespace host_driver {

// The module's three exports as the host reaches them.
struct Exports {
    TVB_DLL_INITIALIZE_FN Initialize;
    TVB_DLL_UNLOAD_FN Unload;
    TVB_GET_BOARD_MODULE_CAPS_FN GetCaps;
};

class ModuleImage {
  public:
    ModuleImage() = default;
    ~ModuleImage() { Unload(); }
    ModuleImage(const ModuleImage&) = delete;
    ModuleImage& operator=(const ModuleImage&) = delete;

    // False with the reason in Error() when the image cannot be loaded or
    // lacks one of the three exports. The path is taken as given: a bare
    // file name is the file in the current folder. On Linux the file is
    // checked before the loader maps it: an ELF shared library for this
    // process's machine, whole (a truncated one would fault when touched).
    bool Load(const std::string& path);
    void Unload();
    const Exports& Bound() const { return exports_; }
    const std::string& Error() const { return error_; }

  private:
    void* handle_ = nullptr;
    Exports exports_{};
    std::string error_;
};

} // namespace host_driver
