// A Windows kernel image (tvboard.sys) mapped into this process as the
// kernel's loader maps an export driver: its headers checked as the loader
// checks them, its sections placed at their addresses with the protection
// they ask for, its base relocations applied and its kernel imports bound,
// here to the kernel's routines on virtual time, which hold every argument
// to the kernel's rules (virtual_time/windows_kernel.h). The
// image's own code then runs, on the emulated board and on virtual time, in
// one deterministic process: the machine code that ships, driven by the
// same host driver as the reference build.
//
// Only the 32-bit x86 Linux build can run the image's code; elsewhere Load
// refuses with a reason.
#pragma once

#include "host_driver/loaded_module.h"

#include <string>

namespace host_driver {

class PeImage : public LoadedModule {
  public:
    PeImage() = default;
    ~PeImage() override { PeImage::Unload(); }
    PeImage(const PeImage&) = delete;
    PeImage& operator=(const PeImage&) = delete;

    // Refused, besides, when the file is no image the kernel would load as
    // an export driver or imports what the kernel services here do not
    // provide.
    bool Load(const std::string& path) override;
    void Unload() override;
    bool OnVirtualTime() const override { return true; }
    bool Holds(const void* at, size_t size) const override {
        const auto* from = static_cast<const char*>(base_);
        const auto* p = static_cast<const char*>(at);
        return base_ != nullptr && p >= from && size <= size_ &&
               static_cast<size_t>(p - from) <= size_ - size;
    }

  private:
    void* base_ = nullptr;
    size_t size_ = 0;
};

// Whether the file starts as a PE image does ("MZ").
bool LooksLikePeImage(const std::string& path);

} // namespace host_driver
