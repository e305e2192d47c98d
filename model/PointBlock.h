#pragma once
// The points of a long table, made in one allocation instead of one each: a table of 16,001
// points is made on every calibration, attach, memory store and state load, and making and
// freeing that many small objects one by one cost more than filling them. The points of a
// block have no owner: they are listed in the table's child list by the block, not by
// registering, and the block destroys them itself. Points added to the list otherwise stay
// the table's to delete.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "model/FObject.h"

template <typename Point>
class TPointBlock {
 public:
  TPointBlock() = default;
  TPointBlock(const TPointBlock&) = delete;
  TPointBlock& operator=(const TPointBlock&) = delete;
  // The table releases the block before its own list goes.
  ~TPointBlock() = default;

  // Releases the block held, then makes n points in a new one, point i by make(place, i)
  // (a placement new at place), and appends them to items in order.
  template <typename Maker>
  void Make(std::vector<TFObject*>& items, size_t n, Maker make) {
    Release(items);
    if (n == 0) return;
    items.reserve(items.size() + n);
    block_ = static_cast<Point*>(::operator new(n * sizeof(Point)));
    for (size_t i = 0; i < n; ++i) {
      Point* p = make(static_cast<void*>(block_ + i), i);
      count_ = i + 1;
      items.push_back(p);
    }
  }

  // Takes the block's points out of items, destroys them, last first, and frees the block.
  void Release(std::vector<TFObject*>& items) {
    if (!block_) return;
    // The list holds the points as objects; theirs lie in the block's address range.
    const auto begin = reinterpret_cast<std::uintptr_t>(static_cast<const TFObject*>(block_));
    const std::uintptr_t end = begin + count_ * sizeof(Point);
    std::erase_if(items, [&](const TFObject* child) {
      const auto address = reinterpret_cast<std::uintptr_t>(child);
      return address >= begin && address < end;
    });
    while (count_ > 0) {
      --count_;
      block_[count_].~Point();
    }
    ::operator delete(block_);
    block_ = nullptr;
  }

 private:
  Point* block_ = nullptr;
  size_t count_ = 0;
};
