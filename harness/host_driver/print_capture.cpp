#include "host_driver/print_capture.h"

#include <cstdio>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#include <winternl.h>
#else
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>
#endif

namespace host_driver {

#if defined(_WIN32)

namespace {
PEB* Peb() {
    // The TEB is read through the fs segment, which the compiler's bounds
    // checks take for an array of size zero.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
    return NtCurrentTeb()->ProcessEnvironmentBlock;
#pragma GCC diagnostic pop
}

// The exception a debug print raises for an attached debugger; its
// parameters are the text's length (with the terminating zero) and address.
constexpr DWORD kDbgPrintException = 0x40010006;
PrintCapture::Impl* g_active;
} // namespace

struct PrintCapture::Impl {
    Impl(emu::HostTable& h, bool e) : host(h), echo(e) {}
    emu::HostTable& host;
    bool echo;
    PVOID handler = nullptr;
    BOOLEAN wasDebugged = 0;

    static LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
        const EXCEPTION_RECORD* r = info->ExceptionRecord;
        if (g_active == nullptr || r->ExceptionCode != kDbgPrintException ||
            r->NumberParameters < 2) {
            return EXCEPTION_CONTINUE_SEARCH;
        }
        const char* text = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
        const std::string s = text != nullptr ? text : "";
        g_active->host.Print(s);
        if (g_active->echo) {
            std::fputs(s.c_str(), stderr);
        }
        return EXCEPTION_CONTINUE_EXECUTION;
    }
};

PrintCapture::PrintCapture(emu::HostTable& host, bool echo) : impl_(new Impl(host, echo)) {
    PEB* peb = Peb();
    impl_->wasDebugged = peb->BeingDebugged;
    peb->BeingDebugged = 1; // the kernel then hands every print to the debugger
    g_active = impl_.get();
    impl_->handler = AddVectoredExceptionHandler(1, &Impl::OnException);
}

PrintCapture::~PrintCapture() {
    RemoveVectoredExceptionHandler(impl_->handler);
    g_active = nullptr;
    Peb()->BeingDebugged = impl_->wasDebugged;
}

void PrintCapture::Drain() {} // prints arrive on the timeline as they are made

#else

namespace {
void HostSync(void* self) {
    static_cast<PrintCapture*>(self)->Drain();
}
} // namespace

// The socket holds only a few messages before a writer blocks, so a thread
// keeps taking them off; Drain takes what the thread collected and then what
// is still queued, under one lock, so the order stays the order of writing.
struct PrintCapture::Impl {
    Impl(emu::HostTable& h, bool e) : host(h), echo(e) {}
    emu::HostTable& host;
    bool echo;
    int reader = -1;
    int savedStderr = -1;
    std::mutex lock;
    std::vector<std::string> collected;
    std::atomic<bool> stop{false};
    std::thread thread;

    void Receive() { // with the lock held
        char buffer[4096];
        for (;;) {
            const ssize_t n = recv(reader, buffer, sizeof(buffer), MSG_DONTWAIT);
            if (n <= 0) {
                return;
            }
            collected.emplace_back(buffer, static_cast<size_t>(n));
        }
    }
    void Run() {
        while (!stop) {
            pollfd p{reader, POLLIN, 0};
            poll(&p, 1, 20);
            const std::lock_guard<std::mutex> hold(lock);
            Receive();
        }
    }
};

PrintCapture::PrintCapture(emu::HostTable& host, bool echo) : impl_(new Impl(host, echo)) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds) != 0) {
        std::perror("tvboard: socketpair");
        return;
    }
    std::fflush(stderr);
    impl_->savedStderr = dup(STDERR_FILENO);
    dup2(fds[1], STDERR_FILENO);
    close(fds[1]);
    impl_->reader = fds[0];
    impl_->thread = std::thread([this] { impl_->Run(); });
    host.SetBeforeEvent(&HostSync, this);
}

PrintCapture::~PrintCapture() {
    impl_->host.SetBeforeEvent(nullptr, nullptr);
    if (impl_->reader < 0) {
        return;
    }
    Drain();
    impl_->stop = true;
    impl_->thread.join();
    dup2(impl_->savedStderr, STDERR_FILENO);
    close(impl_->savedStderr);
    close(impl_->reader);
}

void PrintCapture::Drain() {
    if (impl_->reader < 0) {
        return;
    }
    std::vector<std::string> prints;
    {
        const std::lock_guard<std::mutex> hold(impl_->lock);
        impl_->Receive();
        prints.swap(impl_->collected);
    }
    for (const std::string& p : prints) {
        impl_->host.Print(p);
        if (impl_->echo) {
            const ssize_t written = write(impl_->savedStderr, p.data(), p.size());
            (void)written;
        }
    }
}

#endif

} // namespace host_driver
