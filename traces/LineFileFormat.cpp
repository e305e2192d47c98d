#include "traces/LineFileFormat.h"

#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "platform/AtomicFile.h"

void TLineFileFormat::Save(const std::string& path, const TLineFileFlags& flags, const Writer& writeLine) const {
  TMemIniFile ini;
  ini.WriteBool(Section, TestKey, flags.Test);
  ini.WriteBool(Section, ShowKey, flags.Show);
  ini.WriteBool(Section, ShowFailSignKey, flags.ShowFailSign);
  writeLine(ini, Section);
  const platform::FileResult r = platform::AtomicFile::write(path, ini.SaveToBytes());
  if (!r) throw EAbort(r.message);
}

TLineFileFlags TLineFileFormat::Load(const std::string& path, const Reader& readLine) const {
  std::string bytes;
  const platform::FileResult r = platform::AtomicFile::read(path, bytes);
  if (!r) throw EAbort(r.message);
  TMemIniFile ini;
  ini.LoadFromBytes(bytes);
  // A file of another kind (a state, a kit) reads as a document too: without our section it
  // would load an empty line.
  if (!ini.SectionExists(Section)) throw EAbort("The file " + path + " holds no " + Section + " section");
  TLineFileFlags flags;
  flags.Test = ini.ReadBool(Section, TestKey, false);
  flags.Show = ini.ReadBool(Section, ShowKey, false);
  flags.ShowFailSign = ini.ReadBool(Section, ShowFailSignKey, false);
  readLine(ini, Section);
  return flags;
}
