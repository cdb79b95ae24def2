// Audio block download: block requests, the packet stream, the list of gaps,
// resend requests and the recordings written from complete blocks.
#pragma once

#include "radio/radio_link.h"

#include <string>

namespace pelquor {

// Block status of one fetch.
enum class BlockStatus {
    good = 0,
    no_info = 1,       // no usable block information, too few packets, or refused
    too_many_gaps = 2, // 16 or more packets missing
    resend_failed = 3, // a packet was not delivered again
};

// Marks every block of loggers 1..count as still to fetch.
void init_requests(RadioContext& ctx);
// Fetches entries j = 1..n of blocks whose request entry is above 15, for the
// logger at ctx.radio.current_logger. Returns the path of the last recording
// written, "xxx" when the last block attempted failed, "" when none was tried.
std::string download_audio_blocks(RadioContext& ctx, int32_t id, int n, const int* block_list);
// Downloads all loggers (a second pass for the failed blocks), then checks
// the recordings. Returns the number of recordings found.
int read_audioblocks(RadioContext& ctx);
// Counts the recordings on disk, offers to remove loggers without any, and
// reports found/total. Returns the number found.
int show_requests(RadioContext& ctx);
// The model part of removing logger slot k (used when no window removes it):
// later loggers move up, pipes to k go, the others are renumbered.
void remove_logger_slot(GroupState& g, int k);

} // namespace pelquor
