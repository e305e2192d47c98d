#pragma once
// Names and number text of the Touchstone files the program writes (version 1 syntax), and
// where an export lands. The writer itself is TRange::SaveTouchstone; the reader TFixtParam.
#include <string>

// 0..3 -> "S11", "S21", "S12", "S22"; any other index gives an empty text.
std::string SParameterName(int index);

// Where a Touchstone export of the given kind goes: a name without a folder lands in the data
// root's "Touchstone" folder, which is created when missing; a name whose file-name part has no
// extension gets ".s2p" for touchType 1 and ".s1p" for any other. Nothing is deleted: the
// writer replaces an existing file only once the new one is complete.
std::string TouchstoneFilePath(const std::string& name, int touchType);

// One number of a data line: nine significant digits in exponent form with a capital 'E', the
// exponent's sign and at least two exponent digits ("1.00000000E+08", "-2.50000000E-01").
// With signSlot, a value that is zero or positive (-0 included) gets one blank in front, so
// the digits of both signs line up. A value that is not finite is written as zero.
std::string TouchstoneNumber(double value, bool signSlot);
