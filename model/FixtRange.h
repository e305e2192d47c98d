#pragma once
// A fixture two-port evaluated at a channel's points: one TFixtPoint per point, in the channel's
// order. The channel builds one per port for de-embedding and for embedding when it first needs
// it and deletes them on every rebuild of its point list.
#include <vector>

#include "model/FContainer.h"
#include "model/FixtPoint.h"
#include "model/Utils.h"

class TRange;
class TFixtParam;

class TFixtRange : public TFContainer {
 public:
  // One TFixtPoint per channel point at that point's frequency, S-parameters (0, 0).
  TFixtRange(TFObject* owner, const TRange& channel);

  TFixtPoint* GetPoint(int i) const { return static_cast<TFixtPoint*>(Items[static_cast<size_t>(i)]); }

  // Fills every point with the network interpolated at the point's frequency.
  void Fill(const TFixtParam& network);

  // The inverse transfer matrix of every point, which de-embedding multiplies in: worked out
  // once when a de-embedding table is built instead of at every point of every sweep.
  void PrepareInverseTransfer();
  bool HasInverseTransfer() const { return inverseTransfer_.size() == static_cast<size_t>(GetCount()); }
  const TMatrix2x2& GetInverseTransfer(int i) const { return inverseTransfer_[static_cast<size_t>(i)]; }

 private:
  std::vector<TMatrix2x2> inverseTransfer_;
};
