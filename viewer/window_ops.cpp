#include "viewer/window_ops.h"

namespace viewer {

namespace {
const WindowOps* installedOps = nullptr;
}

void installWindowOps(const WindowOps* ops) { installedOps = ops; }

const WindowOps& windowOps() { return *installedOps; }

}  // namespace viewer
