#include "calibration/Calibr.h"

#include <memory>

#include "calibration/CalKit.h"
#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "calibration/ErrorTermSolver.h"
#include "instrument/ScannerModule.h"
#include "model/EAbort.h"
#include "model/FPoint.h"
#include "model/IDeviceModel.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "platform/Clock.h"

namespace {

bool ValidIndex(int kind, int slot) {
  return kind >= 0 && kind < TCalibr::KindCount && slot >= 0 && slot < TCalibr::SlotCount;
}

bool Finite(const TComplex& z) { return std::isfinite(z.Re) && std::isfinite(z.Im); }

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::string Padded(int value, int width) {
  std::string text = IntToText(value < 0 ? 0 : value);
  while (static_cast<int>(text.size()) < width) text.insert(text.begin(), '0');
  return text;
}

TComplex MeasuredValue(const SxData& x, int slot) { return slot == 0 ? x.Data0 : x.Data1; }

}  // namespace

TCalibr::TCalibr() : TFObject(nullptr) { Settings.NPoints = 0; }

TCalibr::~TCalibr() {
  OnChange = nullptr;
  delete Terms;
  Terms = nullptr;
}

void TCalibr::NotifyChange() {
  if (OnChange) OnChange(this);
}

void TCalibr::DiscardStandard(int kind, int slot) {
  std::vector<SxData>().swap(Standards[kind][slot]);
  Measured[kind][slot] = false;
}

void TCalibr::Clear() {
  delete Terms;
  Terms = nullptr;
  for (int k = 0; k < KindCount; ++k) {
    for (int s = 0; s < SlotCount; ++s) {
      std::vector<SxData>().swap(Standards[k][s]);
      Measured[k][s] = false;
      Selected[k][s] = false;
    }
  }
  Method[0] = Method[1] = 0;
  NotifyChange();
}

void TCalibr::ClearSelection() {
  for (auto& row : Selected) {
    for (bool& flag : row) flag = false;
  }
  NotifyChange();
}

bool TCalibr::IsStandardSelected(int kind, int slot) const { return ValidIndex(kind, slot) && Selected[kind][slot]; }

void TCalibr::SetStandardSelected(int kind, int slot, bool value) {
  if (!ValidIndex(kind, slot) || Selected[kind][slot] == value) return;
  Selected[kind][slot] = value;
  NotifyChange();
}

bool TCalibr::HasStandard(int kind, int slot) const {
  return ValidIndex(kind, slot) && Measured[kind][slot] && !Standards[kind][slot].empty();
}

bool TCalibr::IsStandardRequested(int kind, int slot) const {
  return ValidIndex(kind, slot) && Requested[kind][slot];
}

void TCalibr::SetStandardRequested(int kind, int slot, bool value) {
  if (ValidIndex(kind, slot)) Requested[kind][slot] = value;
}

bool TCalibr::IsUsable(int kind, int slot) const {
  return HasStandard(kind, slot) && Standards[kind][slot].size() == Frequencies.size();
}

void TCalibr::SetPortMethod(int code, int slot) {
  if (!IsSlot(slot)) throw EAbort("Execution error", 200);
  RequestedMethod[slot] = code;
  RequestedSlot = slot;
}

std::string TCalibr::MethodName(int code) {
  switch (code) {
    case cmRT: return "RT";
    case cmRO: return "RO";
    case cmRS: return "RS";
    case cmF1: return "F1";
    case cmOP: return "OP";
    case cmROS: return "RO+S";
    default: return std::string();
  }
}

void TCalibr::StoreStandard(int kind, int slot, const TRange& channel) {
  if (!ValidIndex(kind, slot)) return;
  const size_t count = static_cast<size_t>(channel.GetCount());
  if (!channel.IsSameSettings(Segments, Settings)) {
    for (int k = 0; k < KindCount; ++k) {
      for (int s = 0; s < SlotCount; ++s) {
        DiscardStandard(k, s);
        Selected[k][s] = false;
      }
    }
    Method[0] = Method[1] = 0;
  } else {
    // The same stimulus may still give another point count (the system sweep's grid does not
    // count points); standards of another length cannot be solved with the new ones.
    for (int k = 0; k < KindCount; ++k) {
      for (int s = 0; s < SlotCount; ++s) {
        if (Standards[k][s].size() != count && !Standards[k][s].empty()) {
          DiscardStandard(k, s);
          Selected[k][s] = false;
        }
      }
    }
  }
  channel.GetSettings(Settings, Segments);
  std::vector<SxData>& data = Standards[kind][slot];
  data.clear();
  data.reserve(count);
  Measured[kind][slot] = true;
  Frequencies.clear();
  Frequencies.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const TFPoint* p = channel.GetPoint(static_cast<int>(i));
    Frequencies.push_back(p->Frequency);
    data.push_back(SxData{p->RawLevel[0], p->RawLevel[1], p->RefLevel, p->Data[0], p->Data[1]});
  }
}

double TCalibr::DateFromLocalTime(int year, int month, int day, int hour, int minute, int second,
                                  int millisecond) {
  // 1899-12-30 is 25569 days before 1970-01-01.
  const double days = static_cast<double>(DaysFromCivil(year, month, day) + 25569);
  const double fraction = (hour * 3600.0 + minute * 60.0 + second + millisecond / 1000.0) / 86400.0;
  return days + fraction;
}

std::string TCalibr::DateTimeText(int year, int month, int day, int hour, int minute, int second) {
  return Padded(year, 4) + "-" + Padded(month, 2) + "-" + Padded(day, 2) + " " + Padded(hour, 2) + ":" +
         Padded(minute, 2) + ":" + Padded(second, 2);
}

void TCalibr::Calculate(int r, int t, int method) {
  // 1. Plan: which methods the usable standards allow and which standards go. Nothing of the
  // calibration changes before every term is known to be finite.
  bool keep[KindCount][SlotCount];
  for (int k = 0; k < KindCount; ++k) {
    for (int s = 0; s < SlotCount; ++s) keep[k][s] = true;
  }
  auto has = [&](int k, int s) { return keep[k][s] && IsUsable(k, s); };
  // A stored standard goes when the choice does not use it; one that is absent for length
  // reasons is still dropped only by the choice.
  auto clear = [&](int k, int s) {
    if (ValidIndex(k, s) && HasStandard(k, s)) keep[k][s] = false;
  };
  int method2[SlotCount] = {Method[0], Method[1]};
  bool portMatch[SlotCount] = {PortMatch[0], PortMatch[1]};
  const IDeviceModel* device = Services().Device;
  for (int s : {r, t}) {
    if (s >= 0 && s < SlotCount) portMatch[s] = device ? device->HasReceiver(device->GetReferenceIndex()) : true;
  }
  const bool rOk = r >= 0 && r < SlotCount;
  const bool tOk = t >= 0 && t < SlotCount;
  auto opRule = [&]() {
    if (method2[t] == cmOP) {
      clear(ckThru, t);
      method2[t] = 0;
    }
  };
  auto transmission = [&]() {
    if (!tOk) return;
    opRule();
    method2[t] = has(ckThru, t) ? cmRT : 0;
  };
  switch (method) {
    case cmNone:
      for (int s : {t, r}) {
        if (s < 0 || s >= SlotCount) continue;
        for (int k = 0; k < KindCount; ++k) clear(k, s);
        method2[s] = 0;
      }
      break;
    case cmRT:
      if (tOk) method2[t] = has(ckThru, t) ? cmRT : 0;
      if (rOk) {
        if (method2[r] == cmOP) {
          for (int k = 0; k < KindCount; ++k) clear(k, r);
        }
        const bool sh = has(ckShort, r), op = has(ckOpen, r), ld = has(ckLoad, r);
        if (sh && op && ld && portMatch[r])
          method2[r] = cmF1;
        else if (sh && op && IsServiceEnabled() && portMatch[r])
          method2[r] = cmROS;
        else if (op)
          method2[r] = cmRO;
        else if (sh)
          method2[r] = cmRS;
        else
          method2[r] = 0;
      }
      break;
    case cmRO:
    case cmRS: {
      if (rOk) {
        const int used = method == cmRO ? ckOpen : ckShort;
        const int other = method == cmRO ? ckShort : ckOpen;
        method2[r] = has(used, r) ? method : 0;
        clear(other, r);
        if (!IsStandardSelected(ckLoad, r)) clear(ckLoad, r);
      }
      transmission();
      break;
    }
    case cmF1:
      if (rOk) method2[r] = has(ckShort, r) && has(ckOpen, r) && has(ckLoad, r) && portMatch[r] ? cmF1 : 0;
      transmission();
      break;
    case cmROS:
      if (rOk) method2[r] = has(ckShort, r) && has(ckOpen, r) && portMatch[r] ? cmROS : 0;
      transmission();
      break;
    case cmOP:
      if (rOk && tOk) {
        method2[r] = method2[t] = 0;
        if (has(ckShort, r) && has(ckOpen, r) && has(ckLoad, r) && portMatch[r] && has(ckThru, t) && portMatch[t])
          method2[r] = method2[t] = cmOP;
      }
      break;
    default:
      break;
  }

  // A method kept from before (an unknown request, a loaded form) may lack its standards now;
  // such a slot ends without a method rather than reading data that is not there.
  if (rOk) {
    const int m = method2[r];
    const bool sol = has(ckShort, r) && has(ckOpen, r) && has(ckLoad, r);
    if ((m == cmRO && !has(ckOpen, r)) || (m == cmRS && !has(ckShort, r)) || ((m == cmF1 || m == cmOP) && !sol) ||
        (m == cmROS && !(has(ckShort, r) && has(ckOpen, r))))
      method2[r] = 0;
  }
  if (tOk) {
    const int m = method2[t];
    if ((m == cmRT && !has(ckThru, t)) || (m == cmOP && !(rOk && method2[r] == cmOP && has(ckThru, t))))
      method2[t] = 0;
  }

  // 2. Solve into a table of its own.
  const int rm = rOk ? method2[r] : 0;
  const int tm = tOk ? method2[t] : 0;
  const bool solveR = rm == cmRO || rm == cmRS || rm == cmF1 || rm == cmOP || rm == cmROS;
  const bool solveT = tm == cmRT || tm == cmOP;
  std::unique_ptr<TCalRange> table;
  TCalKit* kit = CalKitsModule ? CalKitsModule->GetKits().GetSelected() : nullptr;
  if (solveR || solveT) {
    if (!kit) throw EAbort("Execution error (no calibration kit)", 200);
    table = std::make_unique<TCalRange>(method2[0], method2[1], Frequencies);
    const bool weighted = (rm == cmF1 || rm == cmOP) && ModuleStandards && has(ckOpen2, r) && has(ckLoad2, r) &&
                          kit->GetStandardCount() >= 6;
    // The module's characterised values of the five standards at every calibration frequency.
    std::vector<TComplex> moduleValues[5];
    if (weighted) {
      const int order[5] = {0, 1, 4, 2, 5};
      for (int j = 0; j < 5; ++j) kit->GetStandard(order[j])->ModuleData.InterpolateS11(Frequencies, moduleValues[j]);
    }
    const int kinds[5] = {ckShort, ckOpen, ckOpen2, ckLoad, ckLoad2};
    const bool needShort = rm == cmRS || rm == cmF1 || rm == cmOP || rm == cmROS;
    const bool needOpen = rm == cmRO || rm == cmF1 || rm == cmOP || rm == cmROS;
    const bool loadR = rm == cmF1 || rm == cmOP || ((rm == cmRO || rm == cmRS) && has(ckLoad, r));
    const size_t n = Frequencies.size();
    // Each standard's model once per frequency, a run at a time: the coefficients are read once
    // and the runs have no dependence from one frequency to the next.
    // The kit keeps them for the grid, so a calculation repeated on the same standards and kit
    // does not evaluate the models again.
    static const std::vector<TComplex> none;
    auto values = [&](bool wanted, int standard) -> const std::vector<TComplex>& {
      return wanted ? kit->CachedStandardValues(standard, Frequencies) : none;
    };
    const std::vector<TComplex>& gsv = values(solveR && !weighted && needShort, 0);
    const std::vector<TComplex>& gov = values(solveR && !weighted && needOpen, 1);
    const std::vector<TComplex>& glv = values(solveR && !weighted && loadR, 2);
    const std::vector<TComplex>& thv = values(solveT, 3);
    for (size_t i = 0; i < n; ++i) {
      const double f = Frequencies[i];
      const int ii = static_cast<int>(i);
      bool ok = true;
      TOnePortTerms terms;
      if (solveR) {
        if (weighted) {
          TComplex m[5], g[5];
          for (int j = 0; j < 5; ++j) {
            m[j] = MeasuredValue(Standards[kinds[j]][r][i], r);
            g[j] = moduleValues[j][i];
          }
          terms = TErrorTermSolver::WeightedOnePort(m, g, 5);
        } else {
          const TComplex gs = needShort ? gsv[i] : TComplex{};
          const TComplex go = needOpen ? gov[i] : TComplex{};
          const TComplex gl = loadR ? glv[i] : TComplex{};
          const TComplex ms = needShort ? MeasuredValue(Standards[ckShort][r][i], r) : TComplex{};
          const TComplex mo = needOpen ? MeasuredValue(Standards[ckOpen][r][i], r) : TComplex{};
          const TComplex ml = loadR ? MeasuredValue(Standards[ckLoad][r][i], r) : TComplex{};
          switch (rm) {
            case cmRO:
              if (loadR)
                terms = TErrorTermSolver::ResponseWithLoad(ml, mo, gl, go);
              else
                terms.Er = TErrorTermSolver::ResponseOpen(mo, go);
              break;
            case cmRS:
              if (loadR)
                terms = TErrorTermSolver::ResponseWithLoad(ml, ms, gl, gs);
              else
                terms.Er = TErrorTermSolver::ResponseShort(ms, gs);
              break;
            case cmROS:
              terms = TErrorTermSolver::OpenShort(mo, ms, go, gs);
              break;
            default:
              terms = TErrorTermSolver::OnePort(ml, mo, ms, gl, go, gs);
              break;
          }
        }
        table->SetErrorTermA(r, ii, terms.Er);
        table->SetErrorTermB(r, ii, terms.Ed);
        if (rm != cmRO && rm != cmRS) table->SetErrorTermC(r, ii, terms.Es);
        ok = Finite(terms.Er) && Finite(terms.Ed) && Finite(terms.Es);
      }
      if (solveT) {
        const TComplex& thru = thv[i];
        const SxData& x = Standards[ckThru][t][i];
        TComplex et;
        if (tm == cmOP) {
          TOnePortTerms rt{table->GetErrorTermA(r, ii), table->GetErrorTermB(r, ii), table->GetErrorTermC(r, ii)};
          et = TErrorTermSolver::OnePathThru(MeasuredValue(x, r), MeasuredValue(x, t), rt, thru);
        } else {
          et = TErrorTermSolver::ResponseThru(MeasuredValue(x, t), thru);
        }
        table->SetErrorTermD(t, ii, et);
        ok = ok && Finite(et);
      }
      if (!ok) throw EAbort("Execution error: the standards give no error terms at " + FloatToText(f) + " MHz", 200);
    }
  }

  // A slot that took no part keeps its method, so its terms travel into the new table.
  if (table && Terms && Terms->GetCount() == table->GetCount()) {
    for (int s = 0; s < SlotCount; ++s) {
      if (s == r || s == t || method2[s] == 0) continue;
      for (int i = 0; i < table->GetCount(); ++i) {
        table->SetErrorTermA(s, i, Terms->GetErrorTermA(s, i));
        table->SetErrorTermB(s, i, Terms->GetErrorTermB(s, i));
        table->SetErrorTermC(s, i, Terms->GetErrorTermC(s, i));
        table->SetErrorTermD(s, i, Terms->GetErrorTermD(s, i));
      }
    }
  }

  // 3. Commit.
  for (int k = 0; k < KindCount; ++k) {
    for (int s = 0; s < SlotCount; ++s) {
      if (!keep[k][s]) DiscardStandard(k, s);
    }
  }
  Method[0] = method2[0];
  Method[1] = method2[1];
  PortMatch[0] = portMatch[0];
  PortMatch[1] = portMatch[1];
  delete Terms;
  Terms = table.release();
  const platform::LocalTime now = platform::Clock::get().localTime();
  CalDate = DateFromLocalTime(now.year, now.month, now.day, now.hour, now.minute, now.second, now.millisecond);
  DataTime = DateTimeText(now.year, now.month, now.day, now.hour, now.minute, now.second);
  KitLabel = kit ? kit->Name : std::string();
  ClearSelection();
  if (ScannerModule) ScannerModule->RestartAveraging();
}
