// TRange: Touchstone export of the corrected points, and a Touchstone file as point data.
#include <charconv>
#include <cmath>
#include <numbers>

#include "model/CalRange.h"
#include "model/EAbort.h"
#include "model/ICalibrationFacade.h"
#include "model/IDeviceModel.h"
#include "model/ITranslation.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/TouchstoneFile.h"
#include "model/Utils.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"

namespace {

constexpr const char* kLineEnd = "\r\n";
// Headings are padded on the right to this many characters (a longer one is not cut).
constexpr size_t kHeadingWidth = 31;
// The magnitude whose dB stands for a zero magnitude: -400 dB.
constexpr double kZeroMagnitude = 1e-20;

std::string TranslateForFile(const std::string& english) {
  const ITranslation* lang = Services().LangModule;
  return lang ? lang->TranslateAnsi(english) : english;
}

std::string TwoDigits(int v) {
  std::string text = IntToText(v);
  return text.size() < 2 ? "0" + text : text;
}

// "YYYY-MM-DD HH:MM:SS", local time.
std::string DateTimeText(const platform::LocalTime& t) {
  std::string year = IntToText(t.year);
  while (year.size() < 4) year.insert(0, "0");
  return year + "-" + TwoDigits(t.month) + "-" + TwoDigits(t.day) + " " + TwoDigits(t.hour) + ":" +
         TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

// A general number with up to 6 significant digits and no trailing zeros ("50", "50.5").
std::string ImpedanceText(double z) {
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, z, std::chars_format::general, 6);
  return std::string(buf, res.ptr);
}

// The two numbers of one parameter in the file's format (0 RI, 1 MA, 2 DB).
void FormatPair(const TComplex& z, int format, double& a, double& b) {
  constexpr double kDegree = 180.0 / std::numbers::pi;
  if (format == 0) {
    a = z.Re;
    b = z.Im;
    return;
  }
  const double magnitude = Abs(z);
  a = format == 2 ? 20.0 * std::log10(magnitude > 0 ? magnitude : kZeroMagnitude) : magnitude;
  b = Arg(z) * kDegree;
}

}  // namespace

std::string TRange::TouchstoneFormatCode(int format) {
  switch (format) {
    case 0: return "RI";
    case 1: return "MA";
    case 2: return "DB";
    default: return "";
  }
}

std::string TRange::TouchstoneColumnUnits(int format) {
  switch (format) {
    case 0: return "Re/Im";
    case 1: return "Mag/Ang";
    case 2: return "dB/Ang";
    default: return "";
  }
}

void TRange::SaveTouchstone(const std::string& fileName, int touchType, int format, int parameter) const {
  // A format or parameter outside its list (a hand-edited state file) still gives a file every
  // reader can take: real and imaginary parts, and S11.
  if (format < 0 || format > 2) format = 0;
  if (parameter < 0 || parameter > 3) parameter = 0;
  std::vector<int> parameters;
  if (touchType == 1) {
    parameters = {0, 1, 2, 3};
  } else {
    parameters = {parameter};
  }

  const IDeviceModel* device = Services().Device;
  const ICalibrationFacade* calibrator = Services().CalibratorModule;
  std::string text;
  text += "! " + (device ? device->GetMakerName() : std::string()) + ", " +
          (device ? device->GetModelName() : std::string()) + ", " +
          IntToText(calibrator ? calibrator->GetSerialNumber() : 0) + ", " +
          (device ? device->GetSoftwareVersion() : std::string()) + "/" +
          (device ? device->GetFirmwareVersion() : std::string()) + kLineEnd;
  text += "! " + TranslateForFile("Date") + ": " + DateTimeText(platform::Clock::get().localTime()) + kLineEnd;
  text += "! " + TranslateForFile("Data: Format [Calibration Info]") + kLineEnd;

  text += "! " + TranslateForFile("Frequency") + "\t";
  const TCalRange* table = GetCalTable();
  for (int k : parameters) {
    std::string heading = SParameterName(k) + ": " + TouchstoneColumnUnits(format);
    // The method names belong to the measured parameters: port 0's to S11, port 1's to S21.
    if (table && (k == 0 || k == 1)) {
      const std::string method = table->GetMethodName(k);
      if (!method.empty()) heading += " " + method;
    }
    if (heading.size() < kHeadingWidth) heading.append(kHeadingWidth - heading.size(), ' ');
    text += "\t" + heading;
  }
  text += kLineEnd;
  text += "# Hz S " + TouchstoneFormatCode(format) + " R " + ImpedanceText(ReferenceImpedanceOhm()) + kLineEnd;

  for (int i = 0; i < GetCount(); ++i) {
    text += TouchstoneNumber(GetPointFrequency(i) * 1e6, false);
    for (int k : parameters) {
      // S11 is the corrected value of port 0, S21 that of port 1; S12 and S22 are not measured.
      const TComplex z = k == 0 ? GetPointData(0, i) : k == 1 ? GetPointData(1, i) : TComplex{};
      double a;
      double b;
      FormatPair(z, format, a, b);
      text += "\t";
      text += TouchstoneNumber(a, true);
      text += "\t";
      text += TouchstoneNumber(b, true);
    }
    text += kLineEnd;
  }

  const platform::FileResult written = platform::AtomicFile::write(fileName, text);
  if (!written) throw EAbort(written.message);
}

bool TRange::LoadTouchstoneData(const std::string& fileName) {
  TFixtParam network;
  network.LoadByExtension(fileName);
  // Fewer than two frequencies give no values to interpolate: the points keep their data and
  // the caller tells the user.
  if (!network.HoldsData()) return false;

  for (int i = 0; i < GetCount(); ++i) {
    const TSParams s = network.InterpolateAt(GetPointFrequency(i));
    SetPointData(0, i, s.S11);
    SetPointData(1, i, s.S21);
    ProcessPoint(i);
  }
  return true;
}
