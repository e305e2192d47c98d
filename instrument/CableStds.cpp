#include "instrument/CableStds.h"

#include <algorithm>
#include <filesystem>

#include "model/CustomIniFile.h"
#include "model/EAbort.h"
#include "model/NumberText.h"
#include "platform/Paths.h"

namespace {

const char* const kVersionKey = "Version";
const char* const kCountKey = "CableCount";
const char* const kNameKey = "CableName";
const char* const kVelocityKey = "Velocity";
const char* const kLossKey = "CableLoss";
const char* const kFrequencyKey = "Frequency";

std::string Key(const char* base, int n) { return base + IntToText(n); }

}  // namespace

TCableStds TCableStds::BuiltIn(const std::string& userDefinedName) {
  TCableStds t;
  t.Items = {
      {userDefinedName, 1.0, 0.0},
      {"RG142", 0.69, 0.443},
      {"RG17, 17A", 0.659, 0.18},
      {"RG174", 0.66, 0.984},
      {"RG178B", 0.69, 1.509},
      {"RG187, 188", 0.69, 1.017},
      {"RG213/U", 0.66, 0.292},
      {"RG214", 0.659, 0.292},
      {"RG223", 0.659, 0.165},
      {"RG55, 55A, 55B", 0.659, 0.541},
      {"RG58, 58B", 0.659, 1.574},
      {"RG58A, 58C", 0.659, 0.787},
      {"RG8, 8A, 10, 10A", 0.659, 0.262},
      {"RG9, 9A", 0.659, 0.289},
  };
  return t;
}

bool TCableStds::Add(const TCableStd& cable) {
  if (Count() >= MaxCount) return false;
  Items.push_back(cable);
  return true;
}

bool TCableStds::Insert(int index, const TCableStd& cable) {
  if (Count() >= MaxCount) return false;
  index = std::clamp(index, 0, Count());
  Items.insert(Items.begin() + index, cable);
  return true;
}

void TCableStds::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  Items.erase(Items.begin() + index);
}

void TCableStds::SaveToIni(TCustomIniFile& ini) const {
  ini.EraseSection(Section);
  ini.WriteInteger(Section, kVersionKey, FileVersion);
  ini.WriteInteger(Section, kCountKey, Count());
  for (int n = 0; n < Count(); ++n) {
    const TCableStd& c = (*this)[n];
    ini.WriteString(Section, Key(kNameKey, n), c.GetName());
    ini.WriteFloat(Section, Key(kVelocityKey, n), c.Velocity);
    ini.WriteFloat(Section, Key(kLossKey, n), c.Loss);
    ini.WriteFloat(Section, Key(kFrequencyKey, n), c.Frequency);
  }
}

TCableStds TCableStds::LoadFromIni(const TCustomIniFile& ini) {
  if (!ini.SectionExists(Section)) {
    throw EAbort("\"" + ini.FileName + "\" is not a cable list: it has no section \"" + Section + "\"");
  }
  (void)ini.ReadInteger(Section, kVersionKey, 0);  // every version so far reads alike
  const int count = std::clamp(ini.ReadInteger(Section, kCountKey, 0), 0, MaxCount);
  // ReadFloat gives the default for missing, empty, non-finite and unreadable text.
  TCableStds t;
  t.Items.reserve(static_cast<size_t>(count));
  for (int n = 0; n < count; ++n) {
    TCableStd c(ini.ReadString(Section, Key(kNameKey, n), std::string()),
                TCableStd::ClampVelocity(ini.ReadFloat(Section, Key(kVelocityKey, n), TCableStd::DefaultVelocity)),
                TCableStd::ClampLoss(ini.ReadFloat(Section, Key(kLossKey, n), TCableStd::DefaultLoss)),
                ini.ReadFloat(Section, Key(kFrequencyKey, n), TCableStd::DefaultFrequency));
    t.Items.push_back(std::move(c));
  }
  return t;
}

std::string TCableStds::CompleteFileName(const std::string& name, bool createFolder) {
  std::filesystem::path path(name);
  if (!path.has_parent_path()) {
    const std::string folder =
        createFolder ? platform::Paths::folder(Folder) : platform::Paths::dataRoot() + "/" + Folder;
    path = std::filesystem::path(folder) / path;
  }
  if (!path.filename().has_extension()) path += Extension;
  return path.string();
}
