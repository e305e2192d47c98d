#include "calibration/CalKitsModule.h"

#include <cmath>
#include <exception>
#include <filesystem>
#include <initializer_list>
#include <iostream>
#include <system_error>

#include "model/EAbort.h"
#include "model/NumberText.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"

TCalKitsModule* CalKitsModule = nullptr;

namespace {

struct TStandardRow {
  const char* Name;
  TCalStdValues Values;
};

// A standard without a lumped element: only its offset line.
TCalStdValues Line(double delay, double z0, double loss) {
  TCalStdValues v;
  v.OffsetDelay = delay;
  v.OffsetZ0 = z0;
  v.OffsetLoss = loss;
  return v;
}

TCalStdValues OpenWith(double delay, double z0, double loss, double c0, double c1, double c2, double c3) {
  TCalStdValues v = Line(delay, z0, loss);
  v.C[0] = c0;
  v.C[1] = c1;
  v.C[2] = c2;
  v.C[3] = c3;
  return v;
}

TCalStdValues ShortWith(double delay, double z0, double loss, double l0, double l1, double l2, double l3) {
  TCalStdValues v = Line(delay, z0, loss);
  v.L[0] = l0;
  v.L[1] = l1;
  v.L[2] = l2;
  v.L[3] = l3;
  return v;
}

void AddKit(TCalKits& kits, const std::string& name, std::initializer_list<TStandardRow> standards) {
  auto* kit = new TCalKit(&kits, name);
  for (const TStandardRow& row : standards) new TCalStd(kit, row.Name, row.Values);
}

// A kit of ideal standards: no delay, no loss, all offsets of z0.
void AddIdealKit(TCalKits& kits, const std::string& name, double z0) {
  AddKit(kits, name,
         {{"Short", Line(0, z0, 0)}, {"Open", Line(0, z0, 0)}, {"Load", Line(0, z0, 0)}, {"Thru", Line(0, z0, 0)}});
}

// The two-digit kit number of a file name.
std::string TwoDigits(int n) {
  std::string text = IntToText(n);
  if (text.size() < 2) text.insert(0, 2 - text.size(), '0');
  return text;
}

}  // namespace

TCalKitsModule::TCalKitsModule(std::string kitFolder)
    : TFObject(nullptr),
      Log([](const std::string& message) { std::cerr << "tervan: " << message << std::endl; }),
      Folder(std::move(kitFolder)) {
  BuildDefaultKits();
  LoadKitFiles();
}

TCalKitsModule::~TCalKitsModule() {
  try {
    SaveKitFiles();
  } catch (const std::exception& e) {
    if (Log) Log(e.what());
  }
}

void TCalKitsModule::NotifyChange(TFObject* sender) const {
  if (OnChange) OnChange(sender);
}

void TCalKitsModule::SetReferenceImpedance(double z) {
  if (!std::isfinite(z) || NearlyEqual(z, ReferenceImpedance)) return;
  ReferenceImpedance = ClampToRange(z, IReferenceImpedance::Minimum, IReferenceImpedance::Maximum);
  NotifyChange(this);
}

void TCalKitsModule::ResetSelectedKit() {
  if (TCalKit* kit = Kits->GetSelected()) kit->Restore();
  NotifyChange(this);
}

void TCalKitsModule::BuildDefaultKits() {
  Kits = std::make_unique<TCalKits>(this);
  TCalKits& k = *Kits;
  const TStandardRow load50{"Load", Line(0, 50, 0)};
  const TStandardRow thru50{"Thru", Line(0, 50, 0)};
  const TStandardRow load50Lossy{"Load", Line(0, 50, 7e8)};
  const TStandardRow thru50Lossy{"Thru", Line(0, 50, 7e8)};

  AddIdealKit(k, TranslateText("Not defined 50 Ohm"), 50);
  AddIdealKit(k, TranslateText("Not defined 75 Ohm"), 75);
  AddKit(k, "07RX22B-310 -F-",
         {{"Short -F-", Line(5.0368e-11, 50, 0)}, {"Open -F-", Line(4.1095e-11, 50, 0)}, load50, thru50});
  AddKit(k, "07RX22B-310 -M-",
         {{"Short -M-", Line(5.0368e-11, 50, 0)},
          {"Open -M-", OpenWith(4.1095e-11, 50, 0, 1.9951e-13, 1.3274e-25, -2.1797e-34, 2.627e-44)},
          load50,
          thru50});
  AddKit(k, "QN4.2 Type-N -F-",
         {{"Short -F-", Line(9.3e-14, 50, 7e8)},
          {"Open -F-", OpenWith(-1.368e-11, 50, 7e8, 1.191e-13, -3.7e-26, 2.63e-35, 5.5e-45)},
          load50,
          thru50});
  AddKit(k, "QN4.2 Type-N -M-",
         {{"Short -M-", Line(1.782e-11, 50, 2.1e9)},
          {"Open -M-", OpenWith(1.74e-11, 50, 7e8, 6.414e-14, -1.4307e-25, 8.292e-35, 7.6e-46)},
          load50,
          thru50});
  AddKit(k, "Agilent 85032B -F-",
         {{"Short -F-", Line(9.3e-14, 49.992, 7e8)},
          {"Open -F-", OpenWith(0, 50, 7e8, 1.1909e-13, -3.6955e-26, 2.6258e-35, 5.5136e-45)},
          load50Lossy,
          thru50Lossy});
  AddKit(k, "Agilent 85032B -M-",
         {{"Short -M-", Line(1.7817e-11, 50.209, 2.1002e9)},
          {"Open -M-", OpenWith(1.7411e-11, 50, 7e8, 6.214e-14, -1.4307e-25, 8.292e-35, 7.6e-46)},
          load50Lossy,
          thru50Lossy});
  AddKit(k, "Agilent 85036B -F-",
         {{"Short -F-", Line(0, 75, 1.13e9)},
          {"Open -F-", OpenWith(0, 75, 1.13e9, 6.35e-14, 8.4e-26, 5.6e-35, 0)},
          {"Load", Line(0, 75, 1.13e9)},
          {"Thru", Line(0, 75, 1.13e9)}});
  AddKit(k, "Agilent 85036B -M-",
         {{"Short -M-", Line(1.7544e-11, 75, 1.13e9)},
          {"Open -M-", OpenWith(1.7544e-11, 75, 1.13e9, 4.1e-14, 4e-26, 5e-36, 0)},
          {"Load", Line(0, 75, 1.13e9)},
          {"Thru", Line(0, 75, 1.13e9)}});
  const TCalStdValues short85032F =
      ShortWith(4.5955e-11, 49.992, 1.087e9, 3.3998e-12, -4.96481e-22, 3.48314e-32, -7.847e-43);
  const TCalStdValues open85032F = OpenWith(4.119e-11, 50, 9.3e8, 8.9939e-14, 2.5368e-24, -2.6499e-34, 1.34e-44);
  AddKit(k, "Agilent 85032F -F-", {{"Short -F-", short85032F}, {"Open -F-", open85032F}, load50, thru50});
  AddKit(k, "Agilent 85032F -M-", {{"Short -M-", short85032F}, {"Open -M-", open85032F}, load50, thru50});
  // Both of these name their standards "-M-", the female kit as well.
  const TCalStdValues short713 = Line(3.7371e-11, 50, 0);
  const TCalStdValues open713 = OpenWith(3.7371e-11, 50, 0, -1.30263e-14, 1.25153e-25, 2.94755e-33, -4.08224e-43);
  const TStandardRow thru713{"Thru", Line(8.3e-11, 50, 7e8)};
  AddKit(k, "Q713 -F-", {{"Short -M-", short713}, {"Open -M-", open713}, load50, thru713});
  AddKit(k, "Q714 -M-", {{"Short -M-", short713}, {"Open -M-", open713}, load50, thru713});
  if (IsServiceEnabled()) {
    AddKit(k, "Type III -M-",
           {{"Short -M-", Line(8.3e-14, 50, 2.1002e9)},
            {"Open -M-", OpenWith(-8.3e-14, 50, 7e8, 6.214e-14, -1.4307e-25, 8.292e-35, 7.6e-46)},
            load50Lossy,
            thru50Lossy});
  } else {
    AddIdealKit(k, TranslateText("Empty"), 50);
  }
  AddIdealKit(k, TranslateText("Empty"), 50);

  k.SelectKit(0);
}

std::string TCalKitsModule::KitFilePath(int index) const {
  std::string folder;
  if (Folder.empty()) {
    folder = platform::Paths::folder("CalKit");
  } else {
    std::error_code ec;
    std::filesystem::create_directories(Folder, ec);
    folder = Folder;
  }
  return folder + "/CalKit" + TwoDigits(index + 1) + ".dat";
}

namespace {

// The kits with a file of their own: the built-in ones, never the temporary kit.
int FiledKitCount(const TCalKits& kits) {
  const int count = kits.GetCount() - (kits.GetHasTemporaryKit() ? 1 : 0);
  return count < TCalKitsModule::BuiltInKitCount ? count : TCalKitsModule::BuiltInKitCount;
}

}  // namespace

void TCalKitsModule::LoadKitFiles() {
  const int count = FiledKitCount(*Kits);
  for (int i = 0; i < count; ++i) {
    const std::string path = KitFilePath(i);
    try {
      Kits->GetItem(i)->ReadFile(path);
    } catch (const std::exception& e) {
      if (Log) Log("Calibration kit file not read: " + std::string(e.what()));
    }
  }
}

bool TCalKitsModule::SaveKitFiles() {
  bool ok = true;
  const int count = FiledKitCount(*Kits);
  for (int i = 0; i < count; ++i) {
    const TCalKit* kit = Kits->GetItem(i);
    const std::string path = KitFilePath(i);
    try {
      if (kit->IsUnchanged()) {
        const platform::FileResult r = platform::AtomicFile::remove(path);
        if (!r) throw EAbort(r.message);
      } else {
        kit->WriteFile(path, true);
      }
    } catch (const std::exception& e) {
      ok = false;
      if (Log) Log("Calibration kit file not saved: " + std::string(e.what()));
    }
  }
  return ok;
}
