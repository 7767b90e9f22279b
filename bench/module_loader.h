// Loading a built module the way its host does: the shared library with the
// dynamic loader on Linux, the kernel image with the Windows loader (under
// Wine when the bench runs there). Each load maps the image afresh, so the
// module starts from its load state; Unload takes it out again.
#pragma once

#include "host_driver/host_driver.h"

#include <string>

namespace bench {

class LoadedModule {
  public:
    LoadedModule() = default;
    ~LoadedModule() { Unload(); }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    // False with the reason in Error() when the image cannot be loaded or
    // lacks one of the three exports.
    bool Load(const std::string& path);
    void Unload();
    const emu::ModuleExports& Exports() const { return exports_; }
    const std::string& Error() const { return error_; }

  private:
    void* handle_ = nullptr;
    emu::ModuleExports exports_{};
    std::string error_;
};

} // namespace bench
