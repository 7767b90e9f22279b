#include "host_driver/loaded_module.h"

#include "host_driver/module_image.h"
#include "host_driver/pe_image.h"

namespace host_driver {

std::unique_ptr<LoadedModule> LoaderFor(const std::string& path) {
#if !defined(_WIN32)
    if (LooksLikePeImage(path)) {
        return std::make_unique<PeImage>();
    }
#else
    (void)path; // on Windows the system's loader takes every module, images included
#endif
    return std::make_unique<ModuleImage>();
}

} // namespace host_driver
