#pragma once
// Cuts the byte stream of the in pipe into reply records. A read may end anywhere, also inside
// a record; the bytes of an unfinished record are kept and completed by the next read, so the
// records come out exactly as the instrument sent them whatever the transfer sizes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "instrument/CmdReply.h"

class TReplyCutter {
 public:
  // Appends the complete records that the bytes finish, in order, to out.
  void Feed(const uint8_t* data, size_t size, std::vector<TCmdReply>& out);
  // Bytes of an unfinished record waiting for the rest (0 .. TCmdReply::Size - 1).
  size_t Pending() const { return Filled; }
  // Forgets an unfinished record.
  void Clear() { Filled = 0; }

 private:
  TCmdReply::TBytes Partial{};
  size_t Filled = 0;
};
