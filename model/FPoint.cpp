// TFPoint lives in its header: the running average is inline, as the point path runs five of
// them at every point of every sweep.
#include "model/FPoint.h"
