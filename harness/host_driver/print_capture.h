// The debug text of a loaded module, put on the emulated host's timeline in
// the order it was printed, one event per kernel print.
//
// Linux: the user-mode services write each print to stderr in one write;
// stderr is redirected to a socket that keeps message boundaries
// (SOCK_SEQPACKET), and what arrived is moved onto the timeline before every
// event the host records.
// Windows (and Wine): the kernel's DbgPrint hands each print to a debugger as
// a DBG_PRINTEXCEPTION_C exception while the process is marked as being
// debugged; a vectored exception handler records the text as it is raised.
#pragma once

#include "emu/host_table.h"

#include <memory>

namespace host_driver {

class PrintCapture {
  public:
    // echo: the prints also go on to the bench's own stderr.
    PrintCapture(emu::HostTable& host, bool echo);
    ~PrintCapture();
    PrintCapture(const PrintCapture&) = delete;
    PrintCapture& operator=(const PrintCapture&) = delete;

    // Moves the prints that arrived so far onto the timeline.
    void Drain();

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

} // namespace host_driver
