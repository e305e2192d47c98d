// A full Open, Short, Load user calibration in the running demonstration program on a real
// display, as a user makes it: left soft key 1 opens the calibration dialog, the kit row's list
// selects the kit at position 3, and each standard's press sweeps once through the program's
// wait box while the demonstration port's test source presents the golden readings of that
// standard (seeded error terms through the kit's models, float32 as the instrument reports
// them: tests/peer/usercal.py). Each square turns light green on the screen (pictures saved);
// Apply closes with Ok; the solved terms equal scikit-rf's OnePort within 1e-9 relative, and a
// device behind those terms then reads corrected within 1e-5.
//
// CTest runs it under xvfb-run with the real platform (TERVAN_DEMO_RUN names it); elsewhere it
// is skipped.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QPixmap>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "calibration/ui/CalibrationDialogs.h"
#include "calibration/ui/CalibrationFrm.h"
#include "dialogs/PickListFrm.h"
#include "dialogs/RegisterDialogs.h"
#include "instrument/EmulatorBackend.h"
#include "model/CalRange.h"
#include "model/Range.h"
#include "platform/UsbBackend.h"
#include "platform/ui/Color.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramRunSupport.h"
#include "shell/ProgramStart.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"
#include "widgets/LeftPanel.h"
#include "widgets/SoftKeyPanel.h"

namespace {

using C = std::complex<double>;

struct Golden {
  std::vector<double> f;
  std::vector<C> ms, mo, ml, ed, es, er;
};

Golden ReadGolden() {
  Golden g;
  std::ifstream in(std::string(TERVAN_SOURCE_DIR) + "/tests/peer/golden/usercal.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("point ", 0) != 0) continue;
    std::istringstream words(line.substr(6));
    double v[13];
    for (double& x : v) words >> x;
    g.f.push_back(v[0]);
    std::vector<C>* into[] = {&g.ms, &g.mo, &g.ml, &g.ed, &g.es, &g.er};
    for (int k = 0; k < 6; ++k) into[k]->push_back(C(v[1 + 2 * k], v[2 + 2 * k]));
  }
  return g;
}

// The values at the golden point nearest to a frequency.
TDemoPort::TTestSource Present(const std::vector<double>& f, std::vector<C> values) {
  return [f, values = std::move(values)](double MHz) {
    size_t best = 0;
    for (size_t i = 1; i < f.size(); ++i) {
      if (std::fabs(f[i] - MHz) < std::fabs(f[best] - MHz)) best = i;
    }
    return TComplex{values[best].real(), values[best].imag()};
  };
}

C Of(const TComplex& z) { return C(z.Re, z.Im); }

void ClickSoftKey(ui::TestDriver& driver, TSoftKeyPanel& panel, int index) {
  panel.GetPaintBox().PaintNow();
  const ui::Rect r = panel.Button(index).Rect;
  driver.Click(panel.GetPaintBox(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
}

TEST(UserCalDemo, FullOslInTheRunningProgram) {
  const char* platformName = std::getenv("TERVAN_DEMO_RUN");
  if (platformName == nullptr) GTEST_SKIP() << "runs under xvfb-run through its own CTest entry";
  ASSERT_EQ(QCoreApplication::instance(), nullptr) << "run it alone";
  qputenv("QT_QPA_PLATFORM", platformName);
  const Golden g = ReadGolden();
  ASSERT_EQ(201u, g.f.size());

  TRunningProgram program;
  std::unique_ptr<ui::TestDriver>& driver = program.driver;
  int& sweeps = program.swept;
  int result = -1;
  int selectedKit = -1;
  std::vector<std::string> greenSquares;
  double worstTerm = 1.0;
  double worstDevice = 1.0;
  int termCount = 0;
  const auto started = std::chrono::steady_clock::now();
  const auto waitSweeps = [&](int n) {
    const int target = sweeps + n;
    while (sweeps < target && std::chrono::steady_clock::now() - started < std::chrono::seconds(90)) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return sweeps >= target;
  };

  RegisterDialogs();
  RegisterCalibrationDialogs();
  const bool swept = program.Run({"DemoMode", "English"}, 2, [&] {
    auto& emulator = dynamic_cast<EmulatorBackend&>(platform::UsbBackend::get());
    TRange& channel = *MainFrm->GetActiveChannel();
    channel.SetStartFrequency(100);
    channel.SetStopFrequency(6000);
    channel.SetPointCount(201);
    if (CalibratorModule->IsUserCorrectionDisabled()) CalibratorModule->SetCorrection(true);

    driver->OnNextModal([&](ui::Form& form) {
      auto& dialog = static_cast<TCalibrationFrm&>(form);
      // The kit row's list: the kit at position 3.
      driver->OnNextModal([&](ui::Form& listForm) {
        auto* list = qobject_cast<TPickListFrm*>(&listForm);
        ASSERT_NE(nullptr, list);
        TEmiStringGrid& grid = *list->sgList;
        if (grid.CellRect(0, 2).IsEmpty()) grid.SetTopRow(2);
        const ui::Rect r = grid.CellRect(0, 2);
        driver->Click(grid, r.Left + 3, (r.Top + r.Bottom) / 2);
        driver->Press(*list->btApply);
      });
      driver->Press(*dialog.pnCalKitValue);
      selectedKit = CalKitsModule->GetKits().GetSelectedIndex();
      struct Step {
        const char* name;
        TLbButton* button;
        ui::Panel* square;
        const std::vector<C>* readings;
      };
      const Step steps[] = {{"open", dialog.btOpen, dialog.pnOpen, &g.mo},
                            {"short", dialog.btShort, dialog.pnShort, &g.ms},
                            {"load", dialog.btLoad, dialog.pnLoad, &g.ml}};
      for (const Step& s : steps) {
        emulator.SetTestReflection(Present(g.f, *s.readings));
        driver->OnNextModal([](ui::Form& box) { EXPECT_STREQ("TWaitFrm", box.metaObject()->className()); });
        driver->Press(*s.button);
        QCoreApplication::processEvents();
        const QImage shot = dialog.grab().toImage();
        const QPoint centre = s.square->mapTo(&dialog, QPoint(s.square->width() / 2, s.square->height() / 2));
        shot.save(QString::fromStdString(std::string(TERVAN_BINARY_DIR) + "/UserCalDemo-" + s.name + ".png"));
        if ((shot.pixel(centre) & 0xFFFFFF) == (ui::ToQRgb(TCalibrationFrm::kMeasuredColor) & 0xFFFFFF))
          greenSquares.push_back(s.name);
      }
      emulator.SetTestReflection(nullptr);
      driver->Press(*dialog.btApply);
      result = dialog.ModalResult();
    });
    ClickSoftKey(*driver, *MainFrm->LeftPanel, TLeftPanel::kCalibration);

    // The terms against scikit-rf's.
    const TCalibr* user = CalibratorModule->GetUserCalibr();
    if (user != nullptr && user->Terms != nullptr) {
      const TCalRange& t = *user->Terms;
      termCount = t.GetCount();
      worstTerm = 0.0;
      for (int i = 0; i < t.GetCount() && i < 201; ++i) {
        const C theirs[] = {g.ed[i], g.es[i], g.er[i]};
        // The sweep engine gives a reading whose imaginary part is exactly zero one of 1e-9 (it
        // must not divide by an exact zero there), so the reference (1, 0) is read as
        // (1, 1e-9): every reading turns by -1e-9 rad, and with it Ed and Er; Es does not.
        const C turn(1.0, 1e-9);
        const C ours[] = {Of(t.GetErrorTermB(0, i)) * turn, Of(t.GetErrorTermC(0, i)), Of(t.GetErrorTermA(0, i)) * turn};
        for (int k = 0; k < 3; ++k) {
          worstTerm = std::max(worstTerm, std::abs(ours[k] - theirs[k]) / std::abs(theirs[k]));
        }
      }
    }
    // A device behind the same terms reads corrected.
    std::vector<C> device(201), behind(201);
    for (size_t i = 0; i < 201; ++i) {
      device[i] = std::polar(0.4 + 0.2 * std::cos(g.f[i] / 700), -2 * 3.141592653589793 * g.f[i] * 1e6 * 0.3e-9);
      behind[i] = g.ed[i] + g.er[i] * device[i] / (1.0 - g.es[i] * device[i]);
    }
    emulator.SetTestReflection(Present(g.f, behind));
    if (waitSweeps(3)) {
      worstDevice = 0.0;
      for (int i = 0; i < channel.GetCount() && i < 201; ++i) {
        worstDevice = std::max(worstDevice, std::abs(Of(channel.GetPointData(0, i)) - device[static_cast<size_t>(i)]));
      }
    }
    emulator.SetTestReflection(nullptr);
  }, std::chrono::seconds(40));

  ASSERT_TRUE(swept) << "no two sweeps within 40 s";
  EXPECT_EQ(2, selectedKit);
  EXPECT_EQ((std::vector<std::string>{"open", "short", "load"}), greenSquares);
  EXPECT_EQ(ui::mrOk, result);
  EXPECT_EQ(201, termCount);
  EXPECT_LT(worstTerm, 1e-9);
  EXPECT_LT(worstDevice, 1e-5);
}

}  // namespace
