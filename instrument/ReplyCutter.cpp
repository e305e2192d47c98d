#include "instrument/ReplyCutter.h"

#include <algorithm>

void TReplyCutter::Feed(const uint8_t* data, size_t size, std::vector<TCmdReply>& out) {
  if (!data) return;
  size_t pos = 0;
  if (Filled > 0) {
    size_t take = std::min(TCmdReply::Size - Filled, size);
    std::copy(data, data + take, Partial.begin() + static_cast<std::ptrdiff_t>(Filled));
    Filled += take;
    pos = take;
    if (Filled < TCmdReply::Size) return;
    out.push_back(TCmdReply::ReadFrom(Partial.data()));
    Filled = 0;
  }
  while (size - pos >= TCmdReply::Size) {
    out.push_back(TCmdReply::ReadFrom(data + pos));
    pos += TCmdReply::Size;
  }
  std::copy(data + pos, data + size, Partial.begin());
  Filled = size - pos;
}
