#include "model/MeasureUnitTables.h"

#include "model/EAbort.h"
#include "model/NumberText.h"
#include "model/TranslationKey.h"

namespace {

struct TUnitRow {
  int Storage;
  const char* Text;
  double Multiplier;
};

// In storage order, each table from its largest unit to its smallest. The inch is the decimal
// 0.083333333 the program has always used, not 1/12, so values typed in inches come back as
// they were.
constexpr TUnitRow kRows[] = {
    {0, TranslationKey("GHz"), 1e9},   {0, TranslationKey("MHz"), 1e6},    {0, TranslationKey("kHz"), 1e3},
    {0, TranslationKey("Hz"), 1},      {1, TranslationKey("s"), 1},        {1, TranslationKey("ms"), 1e-3},
    {1, TranslationKey("us"), 1e-6},   {1, TranslationKey("ns"), 1e-9},    {1, TranslationKey("ps"), 1e-12},
    {2, TranslationKey("m"), 1},       {2, TranslationKey("cm"), 0.01},    {2, TranslationKey("mm"), 0.001},
    {3, TranslationKey("mi"), 5280},   {3, TranslationKey("ft"), 1},       {3, TranslationKey("in"), 0.083333333},
    {4, TranslationKey("dB"), 1},      {5, TranslationKey("dB/m"), 1},     {6, "", 1},
    {7, TranslationKey("dBm"), 1},     {8, TranslationKey("mW"), 1},       {9, TranslationKey("H"), 1},
    {9, TranslationKey("mH"), 1e-3},   {9, TranslationKey("uH"), 1e-6},    {9, TranslationKey("nH"), 1e-9},
    {9, TranslationKey("pH"), 1e-12},  {10, TranslationKey("F"), 1},       {10, TranslationKey("mF"), 1e-3},
    {10, TranslationKey("uF"), 1e-6},  {10, TranslationKey("nF"), 1e-9},   {10, TranslationKey("pF"), 1e-12},
    {11, TranslationKey("°"), 1},
};

}  // namespace

TMeasureUnitTables::TMeasureUnitTables(const TTranslate& translate) {
  for (const TUnitRow& row : kRows) {
    const std::string english = row.Text;
    const std::string text = english.empty() || !translate ? english : translate(english);
    tables_[static_cast<size_t>(row.Storage)].emplace_back(row.Multiplier, text);
  }
}

const TMeasureUnits& TMeasureUnitTables::Table(int storage) const {
  if (storage < 0 || storage >= TableCount) {
    throw EAbort("There is no unit table " + IntToText(storage));
  }
  return tables_[static_cast<size_t>(storage)];
}

const TMeasureUnits& TMeasureUnitTables::OfKind(int kind) const {
  const int storage = StorageOfKind(kind);
  if (storage < 0) throw EAbort("There is no unit kind " + IntToText(kind));
  return tables_[static_cast<size_t>(storage)];
}

int TMeasureUnitTables::StorageOfKind(int kind) {
  // Storage holds dB per metre right after dB; the kinds from "none" on follow one place later.
  constexpr int kStorageOfKind[TableCount] = {0, 1, 2, 3, 4, 6, 7, 8, 9, 10, 5, 11};
  return kind >= 0 && kind < TableCount ? kStorageOfKind[kind] : -1;
}
