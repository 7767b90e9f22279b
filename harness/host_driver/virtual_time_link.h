// Puts the module linked on virtual time onto a substitute host's timeline:
// while a link exists, the virtual-time kernel services hand it every wait
// and debug print of the module, which it records on the host as they happen,
// and the host's events are stamped with virtual time.
#pragma once

#include "emu/host_table.h"
#include "virtual_time/kernel_virtual.h"

namespace host_driver {

class VirtualTimeLink {
  public:
    // Becomes the services' one listener and the host's clock.
    explicit VirtualTimeLink(emu::HostTable& host);
    // Leaves the services without a listener and the host on its own time.
    ~VirtualTimeLink();
    VirtualTimeLink(const VirtualTimeLink&) = delete;
    VirtualTimeLink& operator=(const VirtualTimeLink&) = delete;

  private:
    emu::HostTable& host_;
    vt::Listener listener_{};
};

} // namespace host_driver
