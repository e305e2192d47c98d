#pragma once
// Puts the calibration windows into the main window's dialog factory.
void RegisterCalibrationDialogs();
