// Inside the imaging layer: whether a test asked the next call of a step to
// fail (the request is used up by asking).
#pragma once

#include "imaging/imaging_layer.h"

namespace imaging {

bool failureRequested(Step step);

}  // namespace imaging
