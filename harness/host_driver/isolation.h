// A module under test is code the host cannot trust: it may crash, hang,
// end the process or print to its stdout. So the run that loads it goes on
// in a child process, and this one watches it: the child says which call it
// is about to make before it makes it, the watcher gives every call a time
// limit, takes whatever the child writes to its stdout as the module's
// (the child's own results come through a pipe of their own), and names the
// call when the child dies, exits or hangs in it.
//
// Outside POSIX systems the run stays in this process, unwatched.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace host_driver {

// What the watcher saw of the child's end.
struct IsolatedEnd {
    bool finished = false; // the run came to its end and said so
    int status = 0;        // its exit status, when finished
    std::string failure;   // otherwise: "SetTunerProperty: killed by SIGSEGV"
    int child = 0;         // the child's process id (0: none was made)
};

struct Isolation {
    double callSeconds = 10.0; // wall-clock time a call may take
    // The bytes the child's run wrote as its results, in order, as they come.
    std::function<void(const char* bytes, size_t size)> results;
};

// Runs `run` in a child process, which gets the descriptor for its results
// and whose exit status is `run`'s; returns once the child has gone.
IsolatedEnd RunIsolated(const Isolation& isolation, const std::function<int(int resultsFd)>& run);

// --- in the child, where the host driver calls the module ---------------------
// A call into the module begins (`what` names it, the slot first) or has
// returned; nothing when no watcher listens.
void EnteringCall(const std::string& what);
void CallReturned();
// Whether a watcher listens (whether a call's name is wanted at all).
bool Watched();
// What the run is doing, for the failure's line ("scenario session"); empty:
// nothing.
void WatchContext(const std::string& what);
// Called before each call is announced, while a watcher listens: the
// results so far are written out then, so that they reach the watcher whole
// and up to the call.
void BeforeEachCall(std::function<void()> flush);

} // namespace host_driver
