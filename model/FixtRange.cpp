#include "model/FixtRange.h"

#include "model/FixtParam.h"
#include "model/Range.h"

TFixtRange::TFixtRange(TFObject* owner, const TRange& channel) : TFContainer(owner) {
  const int n = channel.GetCount();
  Items.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) new TFixtPoint(this, channel.GetPointFrequency(i));
}

void TFixtRange::Fill(const TFixtParam& network) {
  for (int i = 0, n = GetCount(); i < n; ++i) {
    TFixtPoint* p = GetPoint(i);
    const TSParams s = network.InterpolateAt(p->Frequency);
    p->S11 = s.S11;
    p->S21 = s.S21;
    p->S12 = s.S12;
    p->S22 = s.S22;
  }
}

void TFixtRange::PrepareInverseTransfer() {
  inverseTransfer_.resize(static_cast<size_t>(GetCount()));
  for (int i = 0, n = GetCount(); i < n; ++i) {
    const TFixtPoint* p = GetPoint(i);
    inverseTransfer_[static_cast<size_t>(i)] = InvertMatrix2x2(SParamsToTParams({p->S11, p->S12, p->S21, p->S22}));
  }
}
