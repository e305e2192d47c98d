#pragma once
// The ready-made command lists of a sweep: one entry per channel that takes part in sweeping,
// holding the exact sequence of command records that makes the instrument measure that channel.
// Starting a sweep only hands a finished list to the writer; lists are rebuilt as a whole when
// settings change and never edited in place.
#include <vector>

#include "instrument/CmdRequest.h"

class TRange;

// One scan entry: the channel (not owned; the scanner owns the channels as its children) and its
// command list.
struct TScanItem {
  TRange* Range = nullptr;
  std::vector<TCmdRequest> Commands;
};

// The entries in the order of the channels among the scanner's children.
using TScanList = std::vector<TScanItem>;
