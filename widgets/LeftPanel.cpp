#include "widgets/LeftPanel.h"

#include "model/TranslationKey.h"

namespace {

const std::vector<TSoftKeyPanel::TKeyDef>& Keys() {
  static const std::vector<TSoftKeyPanel::TKeyDef> keys = {
      {TranslationKey("Measurement"), "softkey_measurement.xpm"},
      {TranslationKey("Calibration"), "softkey_calibration.xpm"},
      {TranslationKey("Average"), "softkey_average.xpm"},
      {TranslationKey("Marker"), "softkey_marker.xpm"},
      {TranslationKey("Analysis"), "softkey_analysis.xpm"},
      {TranslationKey("Files"), "softkey_files.xpm"},
      {TranslationKey("Print"), "softkey_print.xpm"},
  };
  return keys;
}

}  // namespace

TLeftPanel::TLeftPanel(QWidget* parent) : TSoftKeyPanel(parent, Keys(), false, true) {}
