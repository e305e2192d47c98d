#pragma once
// A trace's limit line in its own ".lim" file and its ripple line in a ".rlm" file, with the
// trace's three switches of each (test, show line, show fail sign). The caller passes the full
// path. A save writes atomically and raises EAbort naming the file when it fails, keeping the
// old file. A load raises EAbort for a missing or unreadable file and then changes nothing;
// otherwise it replaces the line and the three switches, tests the line when its test switch
// came in on (else clears the results), then requests a redraw and fires the change event with
// the trace as sender. TMeasurement's SaveLimitFile, LoadLimitFile, SaveRippleFile and
// LoadRippleFile are these.
#include <string>

class TMeasurement;

void SaveLimitFile(const TMeasurement& trace, const std::string& path);
void LoadLimitFile(TMeasurement& trace, const std::string& path);
void SaveRippleFile(const TMeasurement& trace, const std::string& path);
void LoadRippleFile(TMeasurement& trace, const std::string& path);
