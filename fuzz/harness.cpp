#include "fuzz/harness.h"

#include "fuzz/session.h"

namespace fuzz {

Outcome RunInput(const uint8_t* data, size_t size, bool keepTimeline) {
    Outcome out;
    {
        Session session(data, size);
        out = session.Run();
        if (keepTimeline) {
            out.timeline = session.Timeline();
        }
    }
    vt::Reset(); // the pool blocks the host never gave back
    return out;
}

} // namespace fuzz
