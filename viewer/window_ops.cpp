#include "viewer/window_ops.h"

namespace {
const WindowOps* installedOps = nullptr;
}

void installWindowOps(const WindowOps* ops) { installedOps = ops; }

const WindowOps& windowOps() { return *installedOps; }
