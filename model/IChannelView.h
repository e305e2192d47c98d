#pragma once
// The channel window as the channel-state store needs it: write its keys into an ini section,
// read them back, ask for a repaint. The display layer's channel window implements it.
#include <string>

class TCustomIniFile;

class IChannelView {
 public:
  virtual ~IChannelView() = default;
  // Writes the window's channel, view keys and traces (and, by save type, the calibration and
  // point data) into the section.
  virtual void SaveToIni(TCustomIniFile& ini, const std::string& section, int saveType) = 0;
  // Reads back what SaveToIni writes, with the same save-type rules.
  virtual void LoadFromIni(TCustomIniFile& ini, const std::string& section, int saveType) = 0;
  virtual void RequestRedraw() = 0;
};
