// avx2 variant of the conversion (not yet vectorised).
#include "devlink/convert.h"

ConvertRowFn convertRowAvx2Fn() { return nullptr; }
