// Create and close: opening the device or one of its pipes by name.
#include "driver/kernel/zelb1.h"

/*
 * openPipeByName
 * Runs the create-time rules for a pipe name against this device's
 * configured interfaces and keeps the outcome in the file object (the pipe
 * held, or the device itself on failure). The caller has entered the
 * device's gate for a pipe open, so the interface copies stay in place.
 * Returns: the open's status. IRQL: passive.
 */
NTSTATUS openPipeByName(ZelDeviceExtension* ext, PFILE_OBJECT file, const char16_t* name, ULONG length) {
  zelb1::InterfacePipeCounts counts;
  for (ULONG i = 0; i < zelb1::kMaxInterfaces; ++i)
    counts.pipes[i] = ext->interfaces[i]
                          ? static_cast<int32_t>(ext->interfaces[i]->NumberOfPipes)
                          : zelb1::kNoInterface;
  uint32_t code = zelb1::kDevicePipeCode;
  const NTSTATUS status = zelb1::openByName(ext->pipes, counts, name, length, &code);
  storeFileCode(file, code);
  return status;
}

/*
 * createFile
 * An empty name opens the device itself. "\c\i\a\p" opens pipe p of
 * interface i, once: a second open of the same pipe index is refused with
 * device busy until the first is closed. An unknown interface or pipe is
 * refused with no such device. What the device's state does not admit is
 * refused first (pipes of a stopped device: not ready; anything after a
 * surprise removal: not connected).
 * Returns: the create's status. IRQL: passive.
 */
NTSTATUS createFile(PDEVICE_OBJECT device, PIRP irp) {
  ZelDeviceExtension* ext = extensionOf(device);
  PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
  const ULONG length = file->FileName.Length / sizeof(WCHAR);
  storeFileCode(file, zelb1::kDevicePipeCode);

  NTSTATUS status = enterDevice(ext, length ? zelb1::RequestKind::PipeOpen : zelb1::RequestKind::DeviceOpen);
  if (!NT_SUCCESS(status)) return completeRequest(irp, status, 0);
  status = openPipeByName(ext, file, reinterpret_cast<const char16_t*>(file->FileName.Buffer), length);
  leaveDevice(ext);
  return completeRequest(irp, status, 0);
}

/*
 * closeFile
 * Releases the pipe the file held, if any, whatever the device's state.
 * Returns: success. IRQL: passive.
 */
NTSTATUS closeFile(PDEVICE_OBJECT device, PIRP irp) {
  ZelDeviceExtension* ext = extensionOf(device);
  PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
  zelb1::releasePipe(ext->pipes, fileCodeOf(file));
  storeFileCode(file, zelb1::kDevicePipeCode);
  return completeRequest(irp, STATUS_SUCCESS, 0);
}
