// System-control (WMI) requests: the driver is no WMI provider of its own,
// so every such request goes to the lower driver, as a function driver must
// pass it.
#include "driver/kernel/zelb1.h"

/*
 * dispatchSystemControl
 * Passes the request down unchanged.
 * Returns: the lower driver's status. IRQL: passive.
 */
NTSTATUS NTAPI dispatchSystemControl(PDEVICE_OBJECT device, PIRP irp) {
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(extensionOf(device)->lowerDevice, irp);
}
