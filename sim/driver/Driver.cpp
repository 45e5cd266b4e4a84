// The kernel side of the simulated device: creates the named devices, routes their requests
// to the SimulatedDevice under one spin lock, and completes every request in one place.
#include "KernelHeaders.h"

#include "SimulatedDevice.h"
#include "UsbBus.h"

namespace {

using namespace quendal::sim;

enum class Role : ULONG { kControlPath, kSimControl, kHostController, kHub };

struct DeviceExtension {
  Role role;
  ULONG index;  // host controller or hub, by role
};

constinit SimulatedDevice g_device;
KSPIN_LOCK g_lock;
// Serialises the control path's symbolic link with the plug state; the link is made and
// removed at passive level, outside the spin lock.
KMUTEX g_linkMutex;
bool g_controlPathLinked = false;

// "\Device\..." or "\DosDevices\..." built from the ASCII names the user-mode side uses.
class KernelName {
 public:
  KernelName(const char* directory, const char* name) {
    Append(directory);
    Append(name);
    text_[length_] = L'\0';
    RtlInitUnicodeString(&string_, text_);
  }

  PUNICODE_STRING Get() { return &string_; }

 private:
  void Append(const char* part) {
    while (*part != '\0' && length_ + 1 < kCapacity) text_[length_++] = *part++;
  }

  static constexpr ULONG kCapacity = 80;
  WCHAR text_[kCapacity];
  ULONG length_ = 0;
  UNICODE_STRING string_;
};

// A user-mode path "\\.\NAME" without its prefix.
const char* WithoutDevicePrefix(const char* path) { return path + 4; }

constexpr const char* kControlPathDeviceName = "QuendalSimFilter";

struct DeviceSpec {
  Role role;
  ULONG index;
  const char* deviceName;
  const char* linkName;  // what user mode opens as "\\.\" + linkName
};

struct HostControllerNames {
  const char* device;
  const char* link;
};

constexpr HostControllerNames kHostControllerNames[kHostControllerCount] = {
    {"QuendalSimHCD0", "HCD0"}, {"QuendalSimHCD2", "HCD2"}};

constexpr ULONG kDeviceCount = 2 + kHostControllerCount + kHubCount;

void DescribeDevices(DeviceSpec (&specs)[kDeviceCount]) {
  ULONG next = 0;
  specs[next++] = {Role::kControlPath, 0, kControlPathDeviceName,
                   WithoutDevicePrefix(quendal::kControlPath)};
  specs[next++] = {Role::kSimControl, 0, "QuendalSimControl", WithoutDevicePrefix(kSimControlPath)};
  for (ULONG i = 0; i < kHostControllerCount; ++i) {
    specs[next++] = {Role::kHostController, i, kHostControllerNames[i].device,
                     kHostControllerNames[i].link};
  }
  for (ULONG i = 0; i < kHubCount; ++i) {
    specs[next++] = {Role::kHub, i, HubName(i), HubName(i)};
  }
}

NTSTATUS ToStatus(SimResult result) {
  switch (result) {
    case SimResult::kOk:
      return STATUS_SUCCESS;
    case SimResult::kWrongSize:
    case SimResult::kBadValue:
      return STATUS_INVALID_PARAMETER;
    case SimResult::kUnknownCode:
      return STATUS_INVALID_DEVICE_REQUEST;
    case SimResult::kUnplugged:
    case SimResult::kStaleHandle:
      return STATUS_DEVICE_NOT_CONNECTED;
    case SimResult::kInjected:
      return STATUS_IO_DEVICE_ERROR;
  }
  return STATUS_INTERNAL_ERROR;
}

NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR bytes) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = NT_SUCCESS(status) ? bytes : 0;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

class LockedDevice {
 public:
  LockedDevice() { KeAcquireSpinLock(&g_lock, &irql_); }
  ~LockedDevice() { KeReleaseSpinLock(&g_lock, irql_); }
  LockedDevice(const LockedDevice&) = delete;
  LockedDevice& operator=(const LockedDevice&) = delete;

  SimulatedDevice* operator->() { return &g_device; }

 private:
  KIRQL irql_;
};

DeviceExtension& ExtensionOf(PDEVICE_OBJECT device) {
  return *static_cast<DeviceExtension*>(device->DeviceExtension);
}

NTSTATUS DispatchCreate(PDEVICE_OBJECT device, PIRP irp) {
  if (ExtensionOf(device).role == Role::kControlPath) {
    const std::uint32_t generation = LockedDevice()->OpenControlPath();
    IoGetCurrentIrpStackLocation(irp)->FileObject->FsContext =
        reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(generation));
  }
  return Complete(irp, STATUS_SUCCESS, 0);
}

NTSTATUS DispatchClose(PDEVICE_OBJECT device, PIRP irp) {
  if (ExtensionOf(device).role == Role::kControlPath) LockedDevice()->CloseControlPath();
  return Complete(irp, STATUS_SUCCESS, 0);
}

// Makes the control path's name follow the plug state: gone while unplugged, so that opening
// it fails as it does when the real device is not there.
NTSTATUS SyncControlPathLink() {
  KeWaitForSingleObject(&g_linkMutex, Executive, KernelMode, FALSE, nullptr);
  const bool plugged = LockedDevice()->IsPlugged();
  NTSTATUS status = STATUS_SUCCESS;
  if (plugged != g_controlPathLinked) {
    KernelName name("\\Device\\", kControlPathDeviceName);
    KernelName link("\\DosDevices\\", WithoutDevicePrefix(quendal::kControlPath));
    status =
        plugged ? IoCreateSymbolicLink(link.Get(), name.Get()) : IoDeleteSymbolicLink(link.Get());
    if (NT_SUCCESS(status)) g_controlPathLinked = plugged;
  }
  KeReleaseMutex(&g_linkMutex, FALSE);
  return status;
}

NTSTATUS DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
  const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
  // Only buffered codes are answered; any other has no system buffer to read.
  const bool buffered = (code & 3) == METHOD_BUFFERED;
  const Request request{
      code,
      buffered ? static_cast<std::uint8_t*>(irp->AssociatedIrp.SystemBuffer) : nullptr,
      stack->Parameters.DeviceIoControl.InputBufferLength,
      stack->Parameters.DeviceIoControl.OutputBufferLength,
  };
  const DeviceExtension& extension = ExtensionOf(device);
  Answer answer = Refuse(SimResult::kUnknownCode);
  {
    LockedDevice locked;
    switch (extension.role) {
      case Role::kControlPath: {
        const auto generation =
            static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(stack->FileObject->FsContext));
        answer = locked->AnswerControlPath(generation, request);
        break;
      }
      case Role::kSimControl:
        if (buffered) answer = locked->AnswerSimControl(request);
        break;
      case Role::kHostController:
        if (buffered) answer = locked->AnswerHostController(extension.index, request);
        break;
      case Role::kHub:
        if (buffered) answer = locked->AnswerHub(extension.index, request);
        break;
    }
  }
  NTSTATUS status = ToStatus(answer.result);
  if (extension.role == Role::kSimControl && NT_SUCCESS(status)) status = SyncControlPathLink();
  return Complete(irp, status, answer.bytesReturned);
}

void DeleteDevices(PDRIVER_OBJECT driver) {
  DeviceSpec specs[kDeviceCount];
  DescribeDevices(specs);
  for (const DeviceSpec& spec : specs) {
    if (spec.role == Role::kControlPath && !g_controlPathLinked) continue;
    KernelName link("\\DosDevices\\", spec.linkName);
    IoDeleteSymbolicLink(link.Get());
  }
  g_controlPathLinked = false;
  while (driver->DeviceObject != nullptr) IoDeleteDevice(driver->DeviceObject);
}

// The control path's link is made by SyncControlPathLink, the others here.
NTSTATUS CreateDevice(PDRIVER_OBJECT driver, const DeviceSpec& spec) {
  KernelName name("\\Device\\", spec.deviceName);
  PDEVICE_OBJECT device = nullptr;
  NTSTATUS status = IoCreateDevice(driver, sizeof(DeviceExtension), name.Get(), FILE_DEVICE_UNKNOWN,
                                   0, FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  ExtensionOf(device) = {spec.role, spec.index};
  device->Flags |= DO_BUFFERED_IO;
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  if (spec.role == Role::kControlPath) return STATUS_SUCCESS;
  KernelName link("\\DosDevices\\", spec.linkName);
  return IoCreateSymbolicLink(link.Get(), name.Get());
}

void Unload(PDRIVER_OBJECT driver) { DeleteDevices(driver); }

}  // namespace

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  KeInitializeSpinLock(&g_lock);
  KeInitializeMutex(&g_linkMutex, 0);
  driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
  driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
  driver->DriverUnload = Unload;

  DeviceSpec specs[kDeviceCount];
  DescribeDevices(specs);
  NTSTATUS status = STATUS_SUCCESS;
  for (ULONG i = 0; i < kDeviceCount && NT_SUCCESS(status); ++i) {
    status = CreateDevice(driver, specs[i]);
  }
  if (NT_SUCCESS(status)) status = SyncControlPathLink();
  if (!NT_SUCCESS(status)) DeleteDevices(driver);
  return status;
}
