// Test-only bus driver for the Wine driver checks.
//
// Root-enumerated; its children are simulated USB cameras (the camera model
// of sim/ runs inside it). Each child's physical device object answers the
// URBs ZELB1 sends: device and configuration descriptors, select
// configuration, and bulk/interrupt transfers on the four pipes, which it
// hands to the camera model. A transfer the camera does not serve stays
// pending (cancelable), so ZELB1's own time limit ends it. The check
// program plugs and unplugs children, sends stop, start, system-control and
// power requests to a child's stack, holds a child's start or surprise
// removal, reads per-slot counters through the device-control codes of
// sim_bus_controls.h, and scripts the camera model's faults.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#include <ntddk.h>
#include <usb.h>
#include <usbioctl.h>

#include "sim/sim_camera.h"
#include "tests/wine/common/sim_bus_controls.h"

namespace {

constexpr ULONG kTag = 0x73755A42;  // 'BZus'
constexpr uintptr_t kPipeHandleBase = 0x5A00;

enum class Kind : ULONG { Bus = 0x42555321, Camera = 0x43414D21 };

struct BusExtension;

struct CameraExtension {
  Kind kind;
  BusExtension* bus;
  ULONG slot;
};

struct Slot {
  bool present;
  bool longConfig;
  bool failDeviceDescriptor;
  bool holdStart;             // the next start waits for kControlRelease
  bool holdSurpriseRemoval;   // the next surprise removal waits for it too
  bool startDone;             // the start request has been answered
  bool surpriseRemovalSeen;   // the surprise removal has reached the camera
  KEVENT release;
  PDEVICE_OBJECT pdo;
  sim::SimCamera* camera;
  LIST_ENTRY pending;  // transfers the camera has not served yet
  simbus::SlotStats stats;
};

struct BusExtension {
  Kind kind;
  PDEVICE_OBJECT self;
  PDEVICE_OBJECT lower;
  PDEVICE_OBJECT rootPdo;
  KSPIN_LOCK lock;
  Slot slots[simbus::kSlots];
};

PDRIVER_OBJECT busDriver;

Kind kindOf(PDEVICE_OBJECT device) { return *static_cast<Kind*>(device->DeviceExtension); }

NTSTATUS complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

uint32_t nowMs() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER counter = KeQueryPerformanceCounter(&frequency);
  if (frequency.QuadPart == 0) return 0;
  return static_cast<uint32_t>(counter.QuadPart * 1000 / frequency.QuadPart);
}

// ---------------------------------------------------------------- descriptors

const UCHAR kDeviceDescriptor[18] = {18,   1,    0x00, 0x02, 0xFF, 0,    0, 64, 0xF0,
                                     0xFF, 0xB1, 0x00, 0x00, 0x01, 0,    0, 0,  1};

// One interface, four endpoints: pipe 0 bulk out (commands), pipe 1 bulk in
// (replies), pipe 2 interrupt in (unused), pipe 3 bulk in (image).
const UCHAR kEndpoints[4][7] = {
    {7, 5, 0x01, 2, 64, 0, 0},
    {7, 5, 0x82, 2, 64, 0, 0},
    {7, 5, 0x83, 3, 8, 0, 10},
    {7, 5, 0x84, 2, 64, 0, 0},
};
constexpr ULONG kShortConfigLength = 9 + 9 + 4 * 7;  // 46
constexpr ULONG kVendorBlockLength = 250;             // makes 296

ULONG buildConfig(bool longConfig, UCHAR* out) {
  ULONG total = kShortConfigLength + (longConfig ? kVendorBlockLength : 0);
  const UCHAR header[9] = {9, 2, static_cast<UCHAR>(total), static_cast<UCHAR>(total >> 8), 1, 1, 0, 0x80, 50};
  const UCHAR interface0[9] = {9, 4, 0, 0, 4, 0xFF, 0, 0, 0};
  ULONG pos = 0;
  RtlCopyMemory(out + pos, header, 9), pos += 9;
  RtlCopyMemory(out + pos, interface0, 9), pos += 9;
  for (const auto& endpoint : kEndpoints) RtlCopyMemory(out + pos, endpoint, 7), pos += 7;
  if (longConfig) {
    RtlZeroMemory(out + pos, kVendorBlockLength);
    out[pos] = static_cast<UCHAR>(kVendorBlockLength);
    out[pos + 1] = 0x41;  // vendor specific
    pos += kVendorBlockLength;
  }
  return total;
}

// ---------------------------------------------------------------- URBs

PVOID transferAddress(PVOID buffer, PMDL mdl) {
  if (buffer) return buffer;
  if (!mdl) return nullptr;
  return MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority);
}

NTSTATUS getDescriptor(Slot& slot, PURB urb) {
  auto& request = urb->UrbControlDescriptorRequest;
  UCHAR config[kShortConfigLength + kVendorBlockLength];
  const UCHAR* source = nullptr;
  ULONG size = 0;
  if (request.DescriptorType == USB_DEVICE_DESCRIPTOR_TYPE) {
    slot.stats.deviceReads += 1;
    if (slot.failDeviceDescriptor) {
      urb->UrbHeader.Status = USBD_STATUS_STALL_PID;
      return STATUS_UNSUCCESSFUL;
    }
    source = kDeviceDescriptor;
    size = sizeof(kDeviceDescriptor);
  } else if (request.DescriptorType == USB_CONFIGURATION_DESCRIPTOR_TYPE) {
    if (slot.stats.configReads < 4) slot.stats.configReadLength[slot.stats.configReads] = request.TransferBufferLength;
    slot.stats.configReads += 1;
    size = buildConfig(slot.longConfig, config);
    source = config;
  } else {
    urb->UrbHeader.Status = USBD_STATUS_STALL_PID;
    return STATUS_UNSUCCESSFUL;
  }
  auto out = static_cast<UCHAR*>(transferAddress(request.TransferBuffer, request.TransferBufferMDL));
  if (!out) return STATUS_INVALID_PARAMETER;
  ULONG count = request.TransferBufferLength < size ? request.TransferBufferLength : size;
  RtlCopyMemory(out, source, count);
  request.TransferBufferLength = count;
  urb->UrbHeader.Status = USBD_STATUS_SUCCESS;
  return STATUS_SUCCESS;
}

// Transfers waiting at the camera. Bus lock held.
uint32_t pendingCount(Slot& slot) {
  uint32_t count = 0;
  for (LIST_ENTRY* entry = slot.pending.Flink; entry != &slot.pending; entry = entry->Flink) ++count;
  return count;
}

// A deconfigure (select configuration without a descriptor). Bus lock held.
void countDeconfigure(Slot& slot) {
  slot.stats.deconfigures += 1;
  uint32_t pending = pendingCount(slot);
  if (pending > slot.stats.pendingAtDeconfigure) slot.stats.pendingAtDeconfigure = pending;
}

NTSTATUS selectConfiguration(Slot& slot, PURB urb) {
  auto& request = urb->UrbSelectConfiguration;
  if (!request.ConfigurationDescriptor) {
    countDeconfigure(slot);
    urb->UrbHeader.Status = USBD_STATUS_SUCCESS;
    return STATUS_SUCCESS;
  }
  slot.stats.selects += 1;
  PUSBD_INTERFACE_INFORMATION entry = &request.Interface;
  entry->Class = 0xFF;
  entry->SubClass = 0;
  entry->Protocol = 0;
  entry->InterfaceHandle = reinterpret_cast<USBD_INTERFACE_HANDLE>(0x1F00);
  ULONG pipes = entry->NumberOfPipes < 4 ? entry->NumberOfPipes : 4;
  for (ULONG p = 0; p < pipes; ++p) {
    USBD_PIPE_INFORMATION& pipe = entry->Pipes[p];
    pipe.MaximumPacketSize = kEndpoints[p][4];
    pipe.EndpointAddress = kEndpoints[p][2];
    pipe.Interval = kEndpoints[p][6];
    pipe.PipeType = kEndpoints[p][3] == 3 ? UsbdPipeTypeInterrupt : UsbdPipeTypeBulk;
    pipe.PipeHandle = reinterpret_cast<USBD_PIPE_HANDLE>(kPipeHandleBase + p);
    pipe.PipeFlags = 0;
  }
  request.ConfigurationHandle = reinterpret_cast<USBD_CONFIGURATION_HANDLE>(0x1E00);
  urb->UrbHeader.Status = USBD_STATUS_SUCCESS;
  return STATUS_SUCCESS;
}

// Runs one transfer on the camera model. Returns pending when the camera
// does not serve it yet; *stalled tells a transfer the camera's fault script
// keeps unserved (it waits for the time-out even if data arrives). Called
// with the bus lock held.
NTSTATUS runTransfer(Slot& slot, PURB urb, bool retry, bool* stalled) {
  *stalled = false;
  auto& request = urb->UrbBulkOrInterruptTransfer;
  uintptr_t handle = reinterpret_cast<uintptr_t>(request.PipeHandle);
  if (handle < kPipeHandleBase || handle > kPipeHandleBase + 3) {
    urb->UrbHeader.Status = USBD_STATUS_INVALID_PIPE_HANDLE;
    return STATUS_INVALID_PARAMETER;
  }
  int pipe = static_cast<int>(handle - kPipeHandleBase);
  PVOID data = transferAddress(request.TransferBuffer, request.TransferBufferMDL);
  uint32_t done = 0;
  uint32_t result = pipe == 0
                        ? sim::cameraWrite(slot.camera, pipe, data, request.TransferBufferLength, nowMs(), &done, retry)
                        : sim::cameraRead(slot.camera, pipe, data, request.TransferBufferLength, nowMs(), &done, retry);
  if (result == sim::kSimWait || result == sim::kSimStall) {
    *stalled = result == sim::kSimStall;
    return STATUS_PENDING;
  }
  if (result == sim::kSimDone) {
    request.TransferBufferLength = done;
    urb->UrbHeader.Status = USBD_STATUS_SUCCESS;
    return STATUS_SUCCESS;
  }
  request.TransferBufferLength = 0;
  urb->UrbHeader.Status = USBD_STATUS_STALL_PID;
  return result == sim::kSimErrorGone ? STATUS_DEVICE_NOT_CONNECTED : STATUS_UNSUCCESSFUL;
}

PURB urbOf(PIRP irp) {
  return static_cast<PURB>(IoGetCurrentIrpStackLocation(irp)->Parameters.Others.Argument1);
}

void NTAPI cancelPending(PDEVICE_OBJECT device, PIRP irp) {
  IoReleaseCancelSpinLock(irp->CancelIrql);
  auto camera = static_cast<CameraExtension*>(device->DeviceExtension);
  KIRQL irql;
  KeAcquireSpinLock(&camera->bus->lock, &irql);
  RemoveEntryList(&irp->Tail.Overlay.ListEntry);
  camera->bus->slots[camera->slot].stats.cancelled += 1;
  KeReleaseSpinLock(&camera->bus->lock, irql);
  urbOf(irp)->UrbHeader.Status = USBD_STATUS_CANCELED;
  complete(irp, STATUS_CANCELLED, 0);
}

// Queues a transfer the camera did not serve. Bus lock held. Returns false
// when the request was cancelled already (the caller completes it).
bool queuePending(Slot& slot, PIRP irp, bool stalled) {
  irp->Tail.Overlay.DriverContext[0] = stalled ? irp : nullptr;
  IoSetCancelRoutine(irp, cancelPending);
  if (irp->Cancel && IoSetCancelRoutine(irp, nullptr)) return false;
  InsertTailList(&slot.pending, &irp->Tail.Overlay.ListEntry);
  return true;
}

// Takes the pending transfers off the queue that are not being cancelled
// (stalled ones only when `withStalled`). Bus lock held.
void takePending(Slot& slot, LIST_ENTRY* taken, bool withStalled) {
  InitializeListHead(taken);
  LIST_ENTRY* entry = slot.pending.Flink;
  while (entry != &slot.pending) {
    LIST_ENTRY* next = entry->Flink;
    PIRP irp = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
    if ((withStalled || !irp->Tail.Overlay.DriverContext[0]) && IoSetCancelRoutine(irp, nullptr)) {
      RemoveEntryList(entry);
      InsertTailList(taken, entry);
    }
    entry = next;
  }
}

// After a write: serves the transfers that were waiting, as far as the
// camera now can.
void servePending(BusExtension* bus, Slot& slot) {
  KIRQL irql;
  LIST_ENTRY taken;
  LIST_ENTRY done;
  InitializeListHead(&done);
  KeAcquireSpinLock(&bus->lock, &irql);
  takePending(slot, &taken, false);
  while (!IsListEmpty(&taken)) {
    PIRP irp = CONTAINING_RECORD(RemoveHeadList(&taken), IRP, Tail.Overlay.ListEntry);
    bool stalled = false;
    NTSTATUS status = runTransfer(slot, urbOf(irp), true, &stalled);
    if (status == STATUS_PENDING && queuePending(slot, irp, stalled)) continue;
    irp->IoStatus.Status = status == STATUS_PENDING ? STATUS_CANCELLED : status;
    InsertTailList(&done, &irp->Tail.Overlay.ListEntry);
  }
  KeReleaseSpinLock(&bus->lock, irql);
  while (!IsListEmpty(&done)) {
    PIRP irp = CONTAINING_RECORD(RemoveHeadList(&done), IRP, Tail.Overlay.ListEntry);
    complete(irp, irp->IoStatus.Status, 0);
  }
}

// The camera went away: every waiting transfer fails.
void failPending(BusExtension* bus, Slot& slot) {
  KIRQL irql;
  LIST_ENTRY taken;
  KeAcquireSpinLock(&bus->lock, &irql);
  takePending(slot, &taken, true);
  KeReleaseSpinLock(&bus->lock, irql);
  while (!IsListEmpty(&taken)) {
    PIRP irp = CONTAINING_RECORD(RemoveHeadList(&taken), IRP, Tail.Overlay.ListEntry);
    urbOf(irp)->UrbHeader.Status = USBD_STATUS_DEVICE_GONE;
    complete(irp, STATUS_DEVICE_NOT_CONNECTED, 0);
  }
}

NTSTATUS submitUrb(CameraExtension* camera, PIRP irp) {
  BusExtension* bus = camera->bus;
  Slot& slot = bus->slots[camera->slot];
  PURB urb = urbOf(irp);
  if (!urb) return complete(irp, STATUS_INVALID_PARAMETER, 0);

  KIRQL irql;
  KeAcquireSpinLock(&bus->lock, &irql);
  NTSTATUS status;
  bool wrote = false;
  if (!slot.startDone) slot.stats.urbsBeforeStart += 1;
  if (slot.surpriseRemovalSeen && urb->UrbHeader.Function == URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER)
    slot.stats.transfersAfterSurpriseRemoval += 1;
  if (!slot.present) {
    if (urb->UrbHeader.Function == URB_FUNCTION_SELECT_CONFIGURATION &&
        !urb->UrbSelectConfiguration.ConfigurationDescriptor)
      countDeconfigure(slot);
    urb->UrbHeader.Status = USBD_STATUS_DEVICE_GONE;
    status = STATUS_DEVICE_NOT_CONNECTED;
  } else {
    switch (urb->UrbHeader.Function) {
      case URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE: status = getDescriptor(slot, urb); break;
      case URB_FUNCTION_SELECT_CONFIGURATION: status = selectConfiguration(slot, urb); break;
      case URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER: {
        slot.stats.transfers += 1;
        bool stalled = false;
        status = runTransfer(slot, urb, false, &stalled);
        wrote = status == STATUS_SUCCESS &&
                reinterpret_cast<uintptr_t>(urb->UrbBulkOrInterruptTransfer.PipeHandle) == kPipeHandleBase;
        if (status == STATUS_PENDING) {
          IoMarkIrpPending(irp);
          if (queuePending(slot, irp, stalled)) {
            KeReleaseSpinLock(&bus->lock, irql);
            return STATUS_PENDING;
          }
          status = STATUS_CANCELLED;
        }
        break;
      }
      default:
        urb->UrbHeader.Status = USBD_STATUS_INVALID_URB_FUNCTION;
        status = STATUS_NOT_SUPPORTED;
        break;
    }
  }
  KeReleaseSpinLock(&bus->lock, irql);
  complete(irp, status, 0);
  if (wrote) servePending(bus, slot);
  return status;
}

// ---------------------------------------------------------------- camera PnP

PWCHAR poolString(const WCHAR* text, bool multi) {
  SIZE_T units = wcslen(text) + (multi ? 2 : 1);
  auto out = static_cast<PWCHAR>(ExAllocatePoolWithTag(PagedPool, units * sizeof(WCHAR), kTag));
  if (!out) return nullptr;
  RtlZeroMemory(out, units * sizeof(WCHAR));
  RtlCopyMemory(out, text, wcslen(text) * sizeof(WCHAR));
  return out;
}

NTSTATUS cameraPnp(PDEVICE_OBJECT device, PIRP irp) {
  auto camera = static_cast<CameraExtension*>(device->DeviceExtension);
  BusExtension* bus = camera->bus;
  Slot& slot = bus->slots[camera->slot];
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  NTSTATUS status = irp->IoStatus.Status;
  ULONG_PTR information = irp->IoStatus.Information;

  switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE: {
      if (slot.holdStart) {
        slot.holdStart = false;
        KeWaitForSingleObject(&slot.release, Executive, KernelMode, FALSE, nullptr);
      }
      slot.stats.started = 1;
      slot.startDone = true;
      status = STATUS_SUCCESS;
      break;
    }
    case IRP_MN_STOP_DEVICE:
      status = STATUS_SUCCESS;
      break;
    case IRP_MN_QUERY_ID: {
      PWCHAR id = nullptr;
      switch (stack->Parameters.QueryId.IdType) {
        case BusQueryDeviceID: id = poolString(ZEL_SIM_CAMERA_HARDWARE_ID, false); break;
        case BusQueryHardwareIDs: id = poolString(ZEL_SIM_CAMERA_HARDWARE_ID, true); break;
        case BusQueryInstanceID: id = poolString(camera->slot ? L"CAM2" : L"CAM1", false); break;
        // Wine's PnP manager insists on compatible ids.
        case BusQueryCompatibleIDs: id = poolString(L"USB\\Class_FF", true); break;
        default: break;
      }
      if (id) {
        status = STATUS_SUCCESS;
        information = reinterpret_cast<ULONG_PTR>(id);
      }
      break;
    }
    case IRP_MN_QUERY_CAPABILITIES: {
      PDEVICE_CAPABILITIES caps = stack->Parameters.DeviceCapabilities.Capabilities;
      caps->Removable = TRUE;
      caps->SurpriseRemovalOK = TRUE;
      caps->UniqueID = FALSE;
      status = STATUS_SUCCESS;
      break;
    }
    case IRP_MN_QUERY_DEVICE_RELATIONS:
      if (stack->Parameters.QueryDeviceRelations.Type == TargetDeviceRelation) {
        auto relations = static_cast<PDEVICE_RELATIONS>(
            ExAllocatePoolWithTag(PagedPool, sizeof(DEVICE_RELATIONS), kTag));
        if (relations) {
          relations->Count = 1;
          relations->Objects[0] = device;
          ObReferenceObject(device);
          status = STATUS_SUCCESS;
          information = reinterpret_cast<ULONG_PTR>(relations);
        }
      }
      break;
    case IRP_MN_SURPRISE_REMOVAL:
      slot.stats.surpriseRemovals += 1;
      slot.surpriseRemovalSeen = true;
      if (slot.holdSurpriseRemoval) {
        slot.holdSurpriseRemoval = false;
        KeWaitForSingleObject(&slot.release, Executive, KernelMode, FALSE, nullptr);
      }
      failPending(bus, slot);
      status = STATUS_SUCCESS;
      break;
    case IRP_MN_REMOVE_DEVICE: {
      slot.stats.removals += 1;
      failPending(bus, slot);
      complete(irp, STATUS_SUCCESS, 0);
      if (!slot.present) {
        slot.pdo = nullptr;
        slot.stats.pdoExists = 0;
        IoDeleteDevice(device);
      }
      return STATUS_SUCCESS;
    }
    default:
      break;
  }
  return complete(irp, status, information);
}

NTSTATUS createCamera(BusExtension* bus, ULONG index) {
  Slot& slot = bus->slots[index];
  PDEVICE_OBJECT pdo = nullptr;
  NTSTATUS status = IoCreateDevice(busDriver, sizeof(CameraExtension), nullptr, FILE_DEVICE_UNKNOWN,
                                   FILE_AUTOGENERATED_DEVICE_NAME, FALSE, &pdo);
  if (!NT_SUCCESS(status)) return status;
  auto camera = static_cast<CameraExtension*>(pdo->DeviceExtension);
  camera->kind = Kind::Camera;
  camera->bus = bus;
  camera->slot = index;
  pdo->Flags |= DO_POWER_PAGABLE;
  pdo->Flags &= ~DO_DEVICE_INITIALIZING;
  slot.pdo = pdo;
  return STATUS_SUCCESS;
}

// ---------------------------------------------------------------- bus

NTSTATUS NTAPI requestDone(PDEVICE_OBJECT, PIRP, PVOID context) {
  KeSetEvent(static_cast<PKEVENT>(context), IO_NO_INCREMENT, FALSE);
  return STATUS_MORE_PROCESSING_REQUIRED;
}

// Sends a PnP, system-control or power request to the top of a camera's
// stack, as the PnP or power manager would, and waits for it. `power`
// fills a power request's parameters.
NTSTATUS sendToStack(PDEVICE_OBJECT pdo, UCHAR major, UCHAR minor, const simbus::PowerRequest* power) {
  PDEVICE_OBJECT top = IoGetAttachedDeviceReference(pdo);
  PIRP irp = IoAllocateIrp(top->StackSize, FALSE);
  if (!irp) {
    ObDereferenceObject(top);
    return STATUS_INSUFFICIENT_RESOURCES;
  }
  KEVENT done;
  KeInitializeEvent(&done, NotificationEvent, FALSE);
  irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
  next->MajorFunction = major;
  next->MinorFunction = minor;
  if (power) {
    next->Parameters.Power.Type = static_cast<POWER_STATE_TYPE>(power->type);
    if (power->type == simbus::kPowerSystem)
      next->Parameters.Power.State.SystemState = static_cast<SYSTEM_POWER_STATE>(power->state);
    else
      next->Parameters.Power.State.DeviceState = static_cast<DEVICE_POWER_STATE>(power->state);
    next->Parameters.Power.ShutdownType = PowerActionNone;
  }
  IoSetCompletionRoutine(irp, requestDone, &done, TRUE, TRUE, TRUE);
  NTSTATUS sent = major == IRP_MJ_POWER ? PoCallDriver(top, irp) : IoCallDriver(top, irp);
  if (sent == STATUS_PENDING) KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
  NTSTATUS status = irp->IoStatus.Status;
  IoFreeIrp(irp);
  ObDereferenceObject(top);
  return status;
}

NTSTATUS busControl(BusExtension* bus, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
  ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
  ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
  PVOID buffer = irp->AssociatedIrp.SystemBuffer;
  if (inLength < sizeof(uint32_t)) return complete(irp, STATUS_INVALID_PARAMETER, 0);
  ULONG index = *static_cast<uint32_t*>(buffer);
  if (index >= simbus::kSlots) return complete(irp, STATUS_INVALID_PARAMETER, 0);
  Slot& slot = bus->slots[index];

  switch (code) {
    case simbus::kControlPlug: {
      if (inLength < sizeof(simbus::PlugRequest) || slot.present || slot.pdo)
        return complete(irp, STATUS_DEVICE_BUSY, 0);
      auto request = static_cast<simbus::PlugRequest*>(buffer);
      RtlZeroMemory(&slot.stats, sizeof(slot.stats));
      slot.longConfig = request->longConfig != 0;
      slot.failDeviceDescriptor = request->failDeviceDescriptor != 0;
      slot.holdStart = request->holdStart != 0;
      slot.holdSurpriseRemoval = request->holdSurpriseRemoval != 0;
      slot.startDone = false;
      slot.surpriseRemovalSeen = false;
      KeClearEvent(&slot.release);
      sim::cameraPowerUp(slot.camera, nowMs());
      NTSTATUS status = createCamera(bus, index);
      if (!NT_SUCCESS(status)) return complete(irp, status, 0);
      slot.present = true;
      slot.stats.present = 1;
      slot.stats.pdoExists = 1;
      IoInvalidateDeviceRelations(bus->rootPdo, BusRelations);
      return complete(irp, STATUS_SUCCESS, 0);
    }
    case simbus::kControlUnplug:
      if (!slot.present) return complete(irp, STATUS_NO_SUCH_DEVICE, 0);
      slot.present = false;
      slot.stats.present = 0;
      failPending(bus, slot);
      IoInvalidateDeviceRelations(bus->rootPdo, BusRelations);
      return complete(irp, STATUS_SUCCESS, 0);
    case simbus::kControlStop:
    case simbus::kControlStart:
    case simbus::kControlSystemControl: {
      if (!slot.present || !slot.pdo) return complete(irp, STATUS_NO_SUCH_DEVICE, 0);
      UCHAR major = code == simbus::kControlSystemControl ? IRP_MJ_SYSTEM_CONTROL : IRP_MJ_PNP;
      UCHAR minor = code == simbus::kControlStop    ? IRP_MN_STOP_DEVICE
                    : code == simbus::kControlStart ? IRP_MN_START_DEVICE
                                                    : IRP_MN_QUERY_ALL_DATA;
      return complete(irp, sendToStack(slot.pdo, major, minor, nullptr), 0);
    }
    case simbus::kControlPower: {
      if (inLength < sizeof(simbus::PowerRequest)) return complete(irp, STATUS_INVALID_PARAMETER, 0);
      if (!slot.present || !slot.pdo) return complete(irp, STATUS_NO_SUCH_DEVICE, 0);
      auto request = static_cast<simbus::PowerRequest*>(buffer);
      return complete(irp, sendToStack(slot.pdo, IRP_MJ_POWER, static_cast<UCHAR>(request->minor), request), 0);
    }
    case simbus::kControlRelease:
      KeSetEvent(&slot.release, IO_NO_INCREMENT, FALSE);
      return complete(irp, STATUS_SUCCESS, 0);
    case simbus::kControlFault: {
      if (inLength < sizeof(simbus::FaultRequest)) return complete(irp, STATUS_INVALID_PARAMETER, 0);
      auto request = static_cast<simbus::FaultRequest*>(buffer);
      sim::SimFault fault = {};
      fault.kind = static_cast<sim::SimFaultKind>(request->kind);
      fault.pipe = request->pipe;
      fault.direction = static_cast<sim::SimDirection>(request->direction);
      fault.nth = request->nth;
      fault.times = request->times;
      fault.code = request->code;
      fault.bytes = request->bytes;
      RtlCopyMemory(fault.data, request->data, sizeof(fault.data));
      KIRQL irql;
      KeAcquireSpinLock(&bus->lock, &irql);
      bool added = sim::cameraAddFault(slot.camera, fault);
      KeReleaseSpinLock(&bus->lock, irql);
      return complete(irp, added ? STATUS_SUCCESS : STATUS_INSUFFICIENT_RESOURCES, 0);
    }
    case simbus::kControlClearFaults: {
      KIRQL irql;
      KeAcquireSpinLock(&bus->lock, &irql);
      sim::cameraClearFaults(slot.camera);
      KeReleaseSpinLock(&bus->lock, irql);
      return complete(irp, STATUS_SUCCESS, 0);
    }
    case simbus::kControlStats: {
      if (outLength < sizeof(simbus::SlotStats)) return complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
      KIRQL irql;
      KeAcquireSpinLock(&bus->lock, &irql);
      slot.stats.pendingNow = pendingCount(slot);
      RtlCopyMemory(buffer, &slot.stats, sizeof(slot.stats));
      KeReleaseSpinLock(&bus->lock, irql);
      return complete(irp, STATUS_SUCCESS, sizeof(slot.stats));
    }
    default:
      return complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
  }
}

NTSTATUS NTAPI lowerDone(PDEVICE_OBJECT, PIRP, PVOID context) {
  KeSetEvent(static_cast<PKEVENT>(context), IO_NO_INCREMENT, FALSE);
  return STATUS_MORE_PROCESSING_REQUIRED;
}

NTSTATUS busPnp(BusExtension* bus, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE: {
      KEVENT done;
      KeInitializeEvent(&done, NotificationEvent, FALSE);
      IoCopyCurrentIrpStackLocationToNext(irp);
      IoSetCompletionRoutine(irp, lowerDone, &done, TRUE, TRUE, TRUE);
      if (IoCallDriver(bus->lower, irp) == STATUS_PENDING)
        KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
      return complete(irp, STATUS_SUCCESS, 0);
    }
    case IRP_MN_QUERY_DEVICE_RELATIONS: {
      if (stack->Parameters.QueryDeviceRelations.Type != BusRelations) break;
      SIZE_T size = sizeof(DEVICE_RELATIONS) + simbus::kSlots * sizeof(PDEVICE_OBJECT);
      auto relations = static_cast<PDEVICE_RELATIONS>(ExAllocatePoolWithTag(PagedPool, size, kTag));
      if (!relations) return complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
      relations->Count = 0;
      for (Slot& slot : bus->slots) {
        if (!slot.present || !slot.pdo) continue;
        relations->Objects[relations->Count++] = slot.pdo;
        ObReferenceObject(slot.pdo);
      }
      irp->IoStatus.Status = STATUS_SUCCESS;
      irp->IoStatus.Information = reinterpret_cast<ULONG_PTR>(relations);
      break;
    }
    case IRP_MN_REMOVE_DEVICE: {
      UNICODE_STRING link;
      RtlInitUnicodeString(&link, ZEL_SIM_BUS_LINK_NAME);
      IoDeleteSymbolicLink(&link);
      irp->IoStatus.Status = STATUS_SUCCESS;
      IoSkipCurrentIrpStackLocation(irp);
      NTSTATUS status = IoCallDriver(bus->lower, irp);
      IoDetachDevice(bus->lower);
      for (Slot& slot : bus->slots) ExFreePoolWithTag(slot.camera, kTag);
      IoDeleteDevice(bus->self);
      return status;
    }
    default:
      break;
  }
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(bus->lower, irp);
}

NTSTATUS NTAPI dispatch(PDEVICE_OBJECT device, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  if (kindOf(device) == Kind::Bus) {
    auto bus = static_cast<BusExtension*>(device->DeviceExtension);
    switch (stack->MajorFunction) {
      case IRP_MJ_PNP: return busPnp(bus, irp);
      case IRP_MJ_POWER:
        PoStartNextPowerIrp(irp);
        IoSkipCurrentIrpStackLocation(irp);
        return PoCallDriver(bus->lower, irp);
      case IRP_MJ_CREATE:
      case IRP_MJ_CLOSE: return complete(irp, STATUS_SUCCESS, 0);
      case IRP_MJ_DEVICE_CONTROL: return busControl(bus, irp);
      default: return complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
  }
  auto camera = static_cast<CameraExtension*>(device->DeviceExtension);
  switch (stack->MajorFunction) {
    case IRP_MJ_PNP: return cameraPnp(device, irp);
    case IRP_MJ_POWER: {
      simbus::SlotStats& stats = camera->bus->slots[camera->slot].stats;
      PoStartNextPowerIrp(irp);
      if (stack->MinorFunction == IRP_MN_SET_POWER && stack->Parameters.Power.Type == DevicePowerState) {
        stats.deviceSetPowers += 1;
        stats.lastDeviceState = stack->Parameters.Power.State.DeviceState;
      } else if (stack->MinorFunction == IRP_MN_SET_POWER) {
        stats.systemSetPowers += 1;
      } else if (stack->MinorFunction == IRP_MN_QUERY_POWER) {
        stats.queryPowers += 1;
      }
      if (stack->MinorFunction == IRP_MN_SET_POWER || stack->MinorFunction == IRP_MN_QUERY_POWER)
        return complete(irp, STATUS_SUCCESS, 0);
      return complete(irp, irp->IoStatus.Status, irp->IoStatus.Information);
    }
    case IRP_MJ_SYSTEM_CONTROL:
      // Not a WMI provider; the request is counted to show it arrived.
      camera->bus->slots[camera->slot].stats.systemControls += 1;
      return complete(irp, STATUS_SUCCESS, 0);
    case IRP_MJ_INTERNAL_DEVICE_CONTROL:
      if (stack->Parameters.DeviceIoControl.IoControlCode == IOCTL_INTERNAL_USB_SUBMIT_URB)
        return submitUrb(camera, irp);
      return complete(irp, STATUS_NOT_SUPPORTED, 0);
    default: return complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
  }
}

NTSTATUS NTAPI addBus(PDRIVER_OBJECT driver, PDEVICE_OBJECT rootPdo) {
  UNICODE_STRING name;
  UNICODE_STRING link;
  RtlInitUnicodeString(&name, ZEL_SIM_BUS_DEVICE_NAME);
  RtlInitUnicodeString(&link, ZEL_SIM_BUS_LINK_NAME);
  PDEVICE_OBJECT device = nullptr;
  NTSTATUS status = IoCreateDevice(driver, sizeof(BusExtension), &name, FILE_DEVICE_BUS_EXTENDER, 0,
                                   FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  auto bus = static_cast<BusExtension*>(device->DeviceExtension);
  RtlZeroMemory(bus, sizeof(*bus));
  bus->kind = Kind::Bus;
  bus->self = device;
  bus->rootPdo = rootPdo;
  KeInitializeSpinLock(&bus->lock);
  for (ULONG i = 0; i < simbus::kSlots; ++i) {
    Slot& slot = bus->slots[i];
    InitializeListHead(&slot.pending);
    KeInitializeEvent(&slot.release, NotificationEvent, FALSE);
    slot.camera = static_cast<sim::SimCamera*>(ExAllocatePoolWithTag(NonPagedPool, sizeof(sim::SimCamera), kTag));
    if (!slot.camera) {
      for (ULONG j = 0; j < i; ++j) ExFreePoolWithTag(bus->slots[j].camera, kTag);
      IoDeleteDevice(device);
      return STATUS_INSUFFICIENT_RESOURCES;
    }
    sim::cameraInit(slot.camera, sim::kModelXga, nowMs());
  }
  IoCreateSymbolicLink(&link, &name);
  bus->lower = IoAttachDeviceToDeviceStack(device, rootPdo);
  device->Flags |= DO_BUFFERED_IO | DO_POWER_PAGABLE;
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

void NTAPI unload(PDRIVER_OBJECT) {}

}  // namespace

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  busDriver = driver;
  for (int major = 0; major <= IRP_MJ_MAXIMUM_FUNCTION; ++major) driver->MajorFunction[major] = dispatch;
  driver->DriverExtension->AddDevice = addBus;
  driver->DriverUnload = unload;
  return STATUS_SUCCESS;
}
