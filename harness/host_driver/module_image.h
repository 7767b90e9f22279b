// A built module loaded the way its host loads it: the shared library with
// the dynamic loader on Linux, the kernel image with the Windows loader
// (under Wine when the bench runs there). Its waits are real.
#pragma once

#include "host_driver/loaded_module.h"

#include <string>

namespace host_driver {

class ModuleImage : public LoadedModule {
  public:
    ModuleImage() = default;
    ~ModuleImage() override { ModuleImage::Unload(); }
    ModuleImage(const ModuleImage&) = delete;
    ModuleImage& operator=(const ModuleImage&) = delete;

    // On Linux the file is checked before the loader maps it: an ELF shared
    // library for this process's machine, whole (a truncated one would fault
    // when touched).
    bool Load(const std::string& path) override;
    void Unload() override;
    bool OnVirtualTime() const override { return false; }

  private:
    void* handle_ = nullptr;
};

} // namespace host_driver
