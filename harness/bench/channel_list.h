// Channel lists: the stations a scan found, kept in a file (scan --save)
// that tune and scan read back (--channels). One channel a line:
//
//   # tvboard channel list: name, frequency (MHz), TV standard
//   E5      175.25    PAL_B   # stereo, AFC step +0, signal 100
//   E8      196.3125  PAL_B
//
// its name (printable, no blanks, no '#', at most 64 bytes; unique in the
// list), its fine-tuned picture carrier in MHz and its TV standard,
// separated by blanks; '#' starts a comment. The file is read within the
// bounds of bench/input_files.h.
#pragma once

#include "bench/channel_plan.h"

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace bench {

// A name longer than this is no channel's: it would not fit a line of the
// scan's report, nor a host's channel menu.
constexpr size_t kLongestChannelName = 64;

// Errors read "NAME:LINE: what is wrong"; a list without a channel is
// refused.
bool ReadChannelList(std::istream& in, const std::string& name, std::vector<Channel>* out,
                     std::string* error);
bool LoadChannelList(const std::string& path, std::vector<Channel>* out, std::string* error);

void WriteChannelListHead(std::ostream& out);
// One channel's line, with a comment after it unless that is empty.
void WriteChannel(std::ostream& out, const Channel& channel, const std::string& comment);

// The channel of that name, or null.
const Channel* FindChannel(const std::vector<Channel>& channels, const std::string& name);

} // namespace bench
