#pragma once
// The code tables of a trace: measured parameters, conversions and data math, with their names,
// automation keywords and title labels.
#include <string>

namespace tracecodes {

// Measured parameter codes. 1 and 5 are unused: a trace holding one takes no raw value.
enum MeasMode : int { S11 = 0, AbsA = 2, AbsB = 3, Power = 4, AbsR = 6 };
// Conversion codes.
enum Conversion : int { Impedance = 0, Admittance = 1, Inverse = 2, Conjugate = 3 };
// Data math codes; Off leaves the data alone.
enum DataMath : int { Divide = 0, Multiply = 1, Subtract = 2, Add = 3, Off = 4 };

// "S11", "Abs A", "Abs B", "Power", "Abs R"; empty text for any other code.
std::string MeasModeName(int code);
// The code of a shown name, matched whole and case-sensitively in the order S11, Abs A, Abs B,
// Abs R, Power; -1 when none matches.
int MeasModeFromName(const std::string& name);
bool IsMeasModeCode(int code);

// "IMP", "ADM", "INV", "CONJ" for 0..3, else empty.
std::string ConversionKeyword(int code);
// "Zr", "Yr", "1/S", "Conj" for 0..3, else empty.
std::string ConversionLabel(int code);
// The first of IMP, ADM, INV, CONJ that the text begins with (ASCII, any case); -1 for none.
int ConversionFromText(const std::string& text);

// "DIV", "MULT", "SUBT", "ADD", "NORM" for 0..4, else empty.
std::string DataMathKeyword(int code);
// "D/M", "D*M", "D-M", "D+M" for 0..3 (untranslated), else empty.
std::string DataMathLabel(int code);
// The first of NORM, DIV, MULT, SUBT, ADD that the text begins with; -1 for none.
int DataMathFromText(const std::string& text);

// True when text begins with keyword, ASCII letters compared without regard to case.
bool BeginsWithKeyword(const std::string& text, const char* keyword);

}  // namespace tracecodes
