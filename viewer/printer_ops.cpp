#include "viewer/printer_ops.h"

namespace viewer {

namespace {
const PrinterOps* installedOps = nullptr;
}

void installPrinterOps(const PrinterOps* ops) { installedOps = ops; }

const PrinterOps& printerOps() { return *installedOps; }

}  // namespace viewer
