#pragma once
// The services a K30 channel plans its points with: device model row 4 and both synthesizers
// with their real settings, in place while the object lives.
#include "instrument/Device.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/Services.h"

namespace benchrig {

struct K30 {
  TSynthesizerTV k12;
  TSynthesizerTV30 k30;
  TDevice device{4};
  TScopedServices scope;
  K30() {
    scope->Device = &device;
    scope->SynthesizerTV = &k12;
    scope->SynthesizerTV30 = &k30;
  }
};

}  // namespace benchrig
