#pragma once
// What the SENSe node families share: the row builders, the channel a node reaches at each call
// and the calibration method record that the collection and error-term branches both write.
#include <array>
#include <vector>

#include "automation/AutomationCore.h"
#include "automation/NodeRowHelpers.h"
#include "automation/NodeTable.h"

class TCalibr;
class TRange;

namespace automation::sense {

using rows::AddNode;
using rows::Getter;
using rows::Method;
// A property whose get and put take leading arguments before the value.
MemberRow Property(const char* name, ValueType type, Handler get, Handler put = nullptr,
                   std::vector<ValueType> args = {});

// Does nothing and succeeds.
Variant Nothing(const TCall&);

// The channel of the node's channel index, looked up anew at each call (200 when its window is
// gone).
TRange& Channel(const TCall& c);
// The active channel and its user calibration (200 without them).
TRange& ActiveChannel(const TCall& c);
TCalibr& ActiveCalibration(const TCall& c);

// The automation name of a method code: 1 "RESPT", 2 "RESPO", 3 "RESPS", 4 "SOLT1", 5 "1PATH",
// every other code (none, the open-short response) "NONE".
const char* MethodText(int code);

// A port argument that must be 1: else 222.
void RequirePortOne(const Variant& port);
// A two-element port pair, 1-D only: other shapes 220; each element rounded (non-finite or
// beyond 32 bits: 222).
std::array<int, 2> PortPair(const Variant& value);

// Records a method for a slot of the active channel's calibration (which also names the slot).
void RecordMethod(const TCall& c, int code, int slot);
// METHod:ERESponse {2, p}: shape 220, first other than 2 222, p 2 220, p other than 1 222;
// then 1PATH on slot 0 and slot 1, slot 1 named last.
Variant RecordEnhancedResponse(const TCall& c);
// METHod:SOLT1, RESPonse:OPEN and RESPonse:SHORt: port 1 only, the code on slot 0.
Variant RecordReflectionMethod(const TCall& c, int code);
// Solves the active channel's calibration with the method recorded for the slot named last,
// then reports progress through the calibration module's change closure.
Variant SaveCalibration(const TCall& c);

}  // namespace automation::sense
