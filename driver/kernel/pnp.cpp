// PnP: start (configure), stop and remove (deconfigure).
#include "driver/kernel/zelb1.h"

namespace {

NTSTATUS NTAPI lowerStartDone(PDEVICE_OBJECT, PIRP, PVOID context) {
  KeSetEvent(static_cast<PKEVENT>(context), IO_NO_INCREMENT, FALSE);
  return STATUS_MORE_PROCESSING_REQUIRED;
}

/*
 * startLowerDevice
 * Passes a start request down and waits until the devices below have
 * started: the bus driver must have started the camera before the first
 * URB is sent to it.
 * Returns: the lower driver's status. IRQL: passive.
 */
NTSTATUS startLowerDevice(ZelDeviceExtension* ext, PIRP irp) {
  KEVENT done;
  KeInitializeEvent(&done, NotificationEvent, FALSE);
  IoCopyCurrentIrpStackLocationToNext(irp);
  IoSetCompletionRoutine(irp, lowerStartDone, &done, TRUE, TRUE, TRUE);
  NTSTATUS status = IoCallDriver(ext->lowerDevice, irp);
  if (status == STATUS_PENDING) {
    KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
    status = irp->IoStatus.Status;
  }
  return status;
}

// Releases the kept interface copies.
void releaseInterfaceCopies(ZelDeviceExtension* ext) {
  for (ULONG i = 0; i < zelb1::kMaxInterfaces; ++i) {
    freePool(ext->interfaces[i]);
    ext->interfaces[i] = nullptr;
  }
}

/*
 * drainDevice
 * Closes the device's gate (its new state already set) and waits until
 * every request inside has left: transfers in flight end within their 5 s
 * limit, the rest at once.
 * IRQL: passive.
 */
void drainDevice(ZelDeviceExtension* ext) {
  KeClearEvent(&ext->gateDrained);
  if (!zelb1::closeGate(ext->gate))
    KeWaitForSingleObject(&ext->gateDrained, Executive, KernelMode, FALSE, nullptr);
}

/*
 * startAndOpen
 * start: the devices below start first, then startDevice; on success the
 * gate opens to every request. A device still started (a start without a
 * stop before it) is drained first, so that nothing uses the interface
 * copies the new configuration replaces.
 * Returns: the start's status. IRQL: passive.
 */
NTSTATUS startAndOpen(ZelDeviceExtension* ext, PIRP irp) {
  if (zelb1::deviceState(ext->gate) == zelb1::DeviceState::Started) {
    zelb1::setDeviceState(ext->gate, zelb1::DeviceState::Stopped);
    drainDevice(ext);
  }
  NTSTATUS status = startLowerDevice(ext, irp);
  if (NT_SUCCESS(status)) status = startDevice(ext);
  if (NT_SUCCESS(status)) {
    zelb1::reopenGate(ext->gate);
    zelb1::setDeviceState(ext->gate, zelb1::DeviceState::Started);
  }
  return status;
}

/*
 * stopDevice
 * Refuses new pipe opens, transfers and camera queries, lets those in
 * flight finish, then deconfigures the camera.
 * Returns: unconfigureDevice's status. IRQL: passive.
 */
NTSTATUS stopDevice(ZelDeviceExtension* ext) {
  zelb1::setDeviceState(ext->gate, zelb1::DeviceState::Stopped);
  drainDevice(ext);
  return unconfigureDevice(ext);
}

/*
 * removeDevice
 * Refuses every new request and waits for those in flight, then
 * deconfigures (unless never configured), deletes the link and the device
 * object, lowers the device count and passes the request down.
 * Returns: the lower driver's status. IRQL: passive.
 */
NTSTATUS removeDevice(PDEVICE_OBJECT device, PIRP irp) {
  ZelDeviceExtension* ext = extensionOf(device);
  PDEVICE_OBJECT lower = ext->lowerDevice;

  zelb1::setDeviceState(ext->gate, zelb1::DeviceState::Removed);
  drainDevice(ext);

  // A failed deconfigure (a camera already unplugged cannot answer) does
  // not keep the request from the devices below: a remove request must
  // reach the bus driver, or the camera's stack is never torn down.
  if (!ext->unconfigured) unconfigureDevice(ext);

  releaseInterfaceCopies(ext);
  freePool(ext->configDescriptor);
  ext->configDescriptor = nullptr;

  IoDetachDevice(lower);
  deleteDeviceLink(static_cast<LONG>(ext->deviceNumber));
  IoDeleteDevice(device);
  InterlockedDecrement(&deviceCounter);

  irp->IoStatus.Status = STATUS_SUCCESS;
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(lower, irp);
}

NTSTATUS passDown(ZelDeviceExtension* ext, PIRP irp) {
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(ext->lowerDevice, irp);
}

}  // namespace

/*
 * dispatchPnp
 * start: see startAndOpen; the request is completed with the outcome.
 * stop: see stopDevice, then passed down (completed with the failure if
 * deconfiguring failed). surprise removal: from now on every new request
 * is refused with device not connected; passed down. remove: see
 * removeDevice. Anything else passes down unchanged.
 * Returns: the request's status. IRQL: passive.
 */
NTSTATUS dispatchPnp(PDEVICE_OBJECT device, PIRP irp) {
  ZelDeviceExtension* ext = extensionOf(device);
  NTSTATUS status;
  switch (IoGetCurrentIrpStackLocation(irp)->MinorFunction) {
    case IRP_MN_START_DEVICE:
      return completeRequest(irp, startAndOpen(ext, irp), 0);

    case IRP_MN_REMOVE_DEVICE:
      return removeDevice(device, irp);

    case IRP_MN_SURPRISE_REMOVAL:
      zelb1::setDeviceState(ext->gate, zelb1::DeviceState::SurpriseRemoved);
      irp->IoStatus.Status = STATUS_SUCCESS;
      return passDown(ext, irp);

    case IRP_MN_STOP_DEVICE:
      status = stopDevice(ext);
      if (!NT_SUCCESS(status)) return completeRequest(irp, status, 0);
      irp->IoStatus.Status = STATUS_SUCCESS;
      return passDown(ext, irp);

    default:
      return passDown(ext, irp);
  }
}

/*
 * startDevice
 * Reads the 18-byte device descriptor, keeps a copy of it, then configures
 * the camera. The device counts as started only when it was configured.
 * Returns: insufficient resources without memory; no memory when the
 * descriptor could not be read; else configureDevice's status.
 * IRQL: passive.
 */
NTSTATUS startDevice(ZelDeviceExtension* ext) {
  NTSTATUS status = STATUS_SUCCESS;
  UCHAR* buffer = static_cast<UCHAR*>(allocatePool(zelb1::kDeviceDescriptorSize));
  if (!buffer) return STATUS_INSUFFICIENT_RESOURCES;

  ULONG transferred = 0;
  status = readDescriptor(ext, USB_DEVICE_DESCRIPTOR_TYPE, buffer,
                          zelb1::kDeviceDescriptorSize, &transferred);
  if (!NT_SUCCESS(status)) {
    status = STATUS_NO_MEMORY;
  } else {
    auto copy = static_cast<PUSB_DEVICE_DESCRIPTOR>(allocatePool(zelb1::kDeviceDescriptorSize));
    if (!copy) {
      status = STATUS_INSUFFICIENT_RESOURCES;
    } else {
      RtlCopyMemory(copy, buffer, zelb1::kDeviceDescriptorSize);
      freePool(ext->deviceDescriptor);
      ext->deviceDescriptor = copy;
      ext->unconfigured = 0;
    }
  }
  freePool(buffer);
  if (!NT_SUCCESS(status)) return status;

  status = configureDevice(ext);
  if (NT_SUCCESS(status)) ext->started = 1;
  return status;
}

/*
 * configureDevice
 * Reads the configuration descriptor (265 bytes first, then once more at
 * its total length when that is longer), keeps a copy of it and selects
 * the configuration. A read that fails, or a descriptor that does not hold
 * together, ends the start: nothing is selected from an unread buffer.
 * Returns: no memory without buffers; the read's failure; device data
 * error for a malformed descriptor; else selectConfiguration's status.
 * IRQL: passive.
 */
NTSTATUS configureDevice(ZelDeviceExtension* ext) {
  NTSTATUS status = STATUS_SUCCESS;
  ULONG size = zelb1::kFirstConfigReadSize;
  UCHAR* work = nullptr;
  zelb1::ConfigReadStep step = {zelb1::ConfigRead::Fail, 0};

  for (;;) {
    freePool(ext->configDescriptor);
    ext->configDescriptor = static_cast<PUSB_CONFIGURATION_DESCRIPTOR>(allocatePool(size));
    work = static_cast<UCHAR*>(allocatePool(size));
    if (!work || !ext->configDescriptor) {
      status = STATUS_NO_MEMORY;
      break;
    }
    RtlZeroMemory(work, size);
    ULONG transferred = 0;
    status = readDescriptor(ext, USB_CONFIGURATION_DESCRIPTOR_TYPE, work, size, &transferred);
    if (!NT_SUCCESS(status)) break;
    RtlCopyMemory(ext->configDescriptor, work, size);

    step = zelb1::afterConfigRead(work, size, transferred);
    if (step.next != zelb1::ConfigRead::ReadAgain) break;
    freePool(work);
    work = nullptr;
    size = step.size;
  }

  if (NT_SUCCESS(status)) {
    if (step.next == zelb1::ConfigRead::Select)
      status = selectConfiguration(ext, reinterpret_cast<PUSB_CONFIGURATION_DESCRIPTOR>(work), step.size);
    else
      status = STATUS_DEVICE_DATA_ERROR;
  }
  freePool(work);
  return status;
}

/*
 * selectConfiguration
 * Selects the configuration with every interface at alternate setting 0
 * and a maximum transfer size of 1024000 bytes on every pipe, then keeps
 * the configuration handle and a copy of each interface's information
 * (with the pipe handles the bus driver filled in).
 * config, length: the configuration descriptor and its total length.
 * Returns: device data error for a configuration that cannot be laid out
 * (no interfaces, more than 28, an interface without alternate setting 0);
 * no memory without a URB; else submitUrb's status (unsuccessful when the
 * URB itself failed).
 * IRQL: passive.
 */
NTSTATUS selectConfiguration(ZelDeviceExtension* ext,
                             PUSB_CONFIGURATION_DESCRIPTOR config, ULONG length) {
  zelb1::InterfaceLayout layout;
  if (!zelb1::layoutInterfaces(reinterpret_cast<const uint8_t*>(config), length, &layout))
    return STATUS_DEVICE_DATA_ERROR;

  USHORT urbSize = 0;
  PURB urb = USBD_CreateConfigurationRequest(config, &urbSize);
  if (!urb) return STATUS_NO_MEMORY;

  NTSTATUS status = STATUS_SUCCESS;
  UCHAR* end = reinterpret_cast<UCHAR*>(urb) + urbSize;
  auto entry = &urb->UrbSelectConfiguration.Interface;
  for (ULONG i = 0; i < layout.count && NT_SUCCESS(status); ++i) {
    PUSB_INTERFACE_DESCRIPTOR found =
        USBD_ParseConfigurationDescriptor(config, static_cast<UCHAR>(i), 0);
    ULONG pipes = layout.endpoints[i];
    ULONG entryLength = GET_USBD_INTERFACE_SIZE(pipes);
    if (!found || reinterpret_cast<UCHAR*>(entry) + entryLength > end) {
      status = STATUS_DEVICE_DATA_ERROR;
      break;
    }
    entry->Length = static_cast<USHORT>(entryLength);
    entry->InterfaceNumber = found->bInterfaceNumber;
    entry->AlternateSetting = found->bAlternateSetting;
    entry->NumberOfPipes = pipes;
    for (ULONG p = 0; p < pipes; ++p) entry->Pipes[p].MaximumTransferSize = zelb1::kMaxTransferSize;
    entry = reinterpret_cast<PUSBD_INTERFACE_INFORMATION>(reinterpret_cast<UCHAR*>(entry) + entryLength);
  }

  if (NT_SUCCESS(status)) {
    urb->UrbHeader.Length = urbSize;
    urb->UrbHeader.Function = URB_FUNCTION_SELECT_CONFIGURATION;
    urb->UrbSelectConfiguration.ConfigurationDescriptor = config;
    status = submitUrb(ext, urb, kUrbTimeLimitMs);
    if (NT_SUCCESS(status) && !USBD_SUCCESS(urb->UrbHeader.Status)) status = STATUS_UNSUCCESSFUL;
  }

  if (NT_SUCCESS(status)) {
    ext->configurationHandle = urb->UrbSelectConfiguration.ConfigurationHandle;
    releaseInterfaceCopies(ext);
    entry = &urb->UrbSelectConfiguration.Interface;
    for (ULONG i = 0; i < layout.count; ++i) {
      ULONG entryLength = entry->Length;
      // An interface whose copy cannot be allocated is left out; its pipes
      // then cannot be opened.
      auto copy = static_cast<PUSBD_INTERFACE_INFORMATION>(allocatePool(entryLength + 16));
      if (copy) RtlCopyMemory(copy, entry, entryLength);
      ext->interfaces[i] = copy;
      entry = reinterpret_cast<PUSBD_INTERFACE_INFORMATION>(reinterpret_cast<UCHAR*>(entry) + entryLength);
    }
  }
  ExFreePool(urb);
  return status;
}

/*
 * unconfigureDevice
 * Deconfigures the camera (select configuration without a descriptor) and
 * releases the device descriptor copy. Does nothing before the device
 * descriptor was read, or after an earlier deconfigure.
 * Returns: success when skipped; insufficient resources without a URB;
 * else submitUrb's status. The device counts as unconfigured either way.
 * IRQL: passive.
 */
NTSTATUS unconfigureDevice(ZelDeviceExtension* ext) {
  if (ext->unconfigured) return STATUS_SUCCESS;

  NTSTATUS status;
  const USHORT urbSize = sizeof(struct _URB_SELECT_CONFIGURATION);
  PURB urb = static_cast<PURB>(allocatePool(urbSize));
  if (!urb) {
    status = STATUS_INSUFFICIENT_RESOURCES;
  } else {
    RtlZeroMemory(urb, urbSize);
    UsbBuildSelectConfigurationRequest(urb, urbSize, nullptr);
    status = submitUrb(ext, urb, kUrbTimeLimitMs);
    freePool(urb);
  }
  freePool(ext->deviceDescriptor);
  ext->deviceDescriptor = nullptr;
  ext->unconfigured = 1;
  return status;
}
