// ssse3 variant of the conversion (not yet vectorised).
#include "devlink/convert.h"

ConvertRowFn convertRowSsse3Fn() { return nullptr; }
