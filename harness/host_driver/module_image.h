// A built module loaded the way its host loads it: the shared library with
// the dynamic loader on Linux, the kernel image with the Windows loader
// (under Wine when the bench runs there). Its waits are real.
#pragma once

#include "host_driver/loaded_module.h"

#include <cstdint>
#include <string>
#include <vector>

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
    bool Holds(const void* at, size_t size) const override;

  private:
    struct Range {
        uintptr_t from;
        uintptr_t to;
    };
    void* handle_ = nullptr;
    std::vector<Range> mapped_; // the segments the loader mapped
};

} // namespace host_driver
