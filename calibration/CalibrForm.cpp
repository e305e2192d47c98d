// TCalibr's binary form: building it from the calibration, applying a parsed one, and the file
// carrier of both.
#include <filesystem>
#include <memory>
#include <system_error>

#include "calibration/Calibr.h"
#include "calibration/CalibrationForm.h"
#include "model/EAbort.h"
#include "model/IDeviceModel.h"
#include "model/ISynthPlan.h"
#include "model/NumberText.h"
#include "model/Services.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"

namespace {

// The segment a loaded table's bad entries fall back to: the one a new channel of the installed
// model starts with.
TSegment LoadDefaultSegment() {
  const IDeviceModel* device = Services().Device;
  const ISynthPlan* plan = device ? SynthPlanForRow(device->GetModelIndex()) : nullptr;
  return TSegment::Default(plan ? plan->GetMinFrequency() : 0.0);
}

TCalibrationForm::TResult Rejected(std::string reason) {
  TCalibrationForm::TResult r;
  r.Reason = std::move(reason);
  return r;
}

}  // namespace

void TCalibr::WriteToStream(std::vector<uint8_t>& stream) {
  TCalibrationForm form;
  form.DataTime = DataTime;
  form.KitLabel = KitLabel;
  form.MinFrequency = Settings.MinFrequency;
  form.MaxFrequency = Settings.MaxFrequency;
  form.CommonIFBW = Settings.CommonIFBW;
  form.NPoints = Settings.NPoints;
  form.SweepMode = Settings.SweepMode;
  form.Method[0] = Method[0];
  form.Method[1] = Method[1];
  form.PortMatch[0] = PortMatch[0];
  form.PortMatch[1] = PortMatch[1];
  if (Terms != nullptr) {
    const int n = Terms->GetCount();
    form.Records.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      const TCalPoint* p = Terms->GetPoint(i);
      TCalibrationForm::TRecord& r = form.Records[static_cast<size_t>(i)];
      r.Frequency = p->Frequency;
      for (int port = 0; port < 2; ++port) {
        r.Er[port] = p->A[port];
        r.Ed[port] = p->B[port];
        r.Es[port] = p->C[port];
        r.Et[port] = p->D[port];
      }
    }
  }
  if (Settings.SweepMode != TCalibrationForm::SystemGridSweep) {
    Settings.SegmentCount = static_cast<int32_t>(Segments.size());
    form.Settings = Settings;
    form.Segments = Segments;
  }
  form.Write(stream);
}

TCalibrationForm::TResult TCalibr::ReadFromStream(const std::vector<uint8_t>& stream) {
  return ReadFromStream(stream.data(), stream.size());
}

TCalibrationForm::TResult TCalibr::ReadFromStream(const uint8_t* data, size_t size) {
  TCalibrationForm form;
  const TCalibrationForm::TResult result = ParseStream(data, size, form);
  return AdoptForm(form, result);
}

TCalibrationForm::TResult TCalibr::ParseStream(const uint8_t* data, size_t size, TCalibrationForm& form) {
  return TCalibrationForm::Parse(data, size, form, LoadDefaultSegment());
}

TCalibrationForm::TResult TCalibr::AdoptForm(TCalibrationForm& form, const TCalibrationForm::TResult& result) {
  if (!result) return result;

  // Everything is built before anything is replaced.
  std::vector<double> frequencies;
  frequencies.reserve(form.Records.size());
  for (const TCalibrationForm::TRecord& r : form.Records) frequencies.push_back(r.Frequency);
  std::unique_ptr<TCalRange> table(TCalRange::CreateFromFrequencies(form.Method[0], form.Method[1], frequencies));
  for (size_t i = 0; i < form.Records.size(); ++i) {
    TCalPoint* p = table->GetPoint(static_cast<int>(i));
    const TCalibrationForm::TRecord& r = form.Records[i];
    for (int port = 0; port < 2; ++port) {
      p->A[port] = r.Er[port];
      p->B[port] = r.Ed[port];
      p->C[port] = r.Es[port];
      p->D[port] = r.Et[port];
    }
  }

  const platform::LocalTime now = platform::Clock::get().localTime();
  CalDate = DateFromLocalTime(now.year, now.month, now.day, now.hour, now.minute, now.second, now.millisecond);
  DataTime = form.DataTime;
  KitLabel = form.KitLabel;
  for (int slot = 0; slot < SlotCount; ++slot) {
    Method[slot] = form.Method[slot];
    PortMatch[slot] = form.PortMatch[slot];
  }
  delete Terms;
  Terms = table.release();
  if (form.ExtensionVersion != 0) {
    Settings = form.Settings;
  } else {
    Settings.SweepMode = form.SweepMode;
    Settings.NPoints = form.NPoints;
    Settings.MinFrequency = form.MinFrequency;
    Settings.MaxFrequency = form.MaxFrequency;
    Settings.CommonIFBW = form.CommonIFBW;
  }
  if (form.ReplaceSegments) Segments = std::move(form.Segments);
  NotifyChange();
  return result;
}

void TCalibr::SaveToFile(const std::string& fileName) {
  std::vector<uint8_t> stream;
  WriteToStream(stream);
  if (stream.size() <= TCalibrationForm::SizeWithoutExtension(0)) return;
  const platform::FileResult written = platform::AtomicFile::write(
      fileName, std::string_view(reinterpret_cast<const char*>(stream.data()), stream.size()));
  if (!written) throw EAbort(written.message, 200);
}

TCalibrationForm::TResult TCalibr::LoadFromFile(const std::string& fileName) {
  if (!platform::AtomicFile::exists(fileName)) return Rejected("The file \"" + fileName + "\" does not exist");
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(fileName, error);
  if (!error && size > TCalibrationForm::MaxSize) {
    return Rejected("The file \"" + fileName + "\" is too large for a calibration (" +
                    IntToText(static_cast<long long>(size)) + " bytes)");
  }
  std::string bytes;
  const platform::FileResult read = platform::AtomicFile::read(fileName, bytes);
  if (!read) return Rejected(read.message);
  if (bytes.size() > TCalibrationForm::MaxSize) {
    return Rejected("The file \"" + fileName + "\" is too large for a calibration");
  }
  TCalibrationForm::TResult result = ReadFromStream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  if (!result.Reason.empty()) result.Reason = "\"" + fileName + "\": " + result.Reason;
  return result;
}
