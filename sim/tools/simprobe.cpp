// simprobe: a small client of the simulated device that talks to it the way the program does,
// through the control path, the USB host controllers and hubs, and the filter-support library.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "SimClient.h"
#include "SimProtocol.h"
#include "device/LittleEndian.h"
#include "device/UsbRequests.h"

namespace {

using namespace quendal;
using namespace quendal::sim;
using Args = std::vector<std::string_view>;

class DeviceHandle {
 public:
  // The control path is opened as every holder of a channel handle opens it; controllers and
  // hubs as the bus walk opens them.
  static DeviceHandle OpenControlPath() {
    return DeviceHandle(CreateFileA(kControlPath, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
  }
  static DeviceHandle OpenBusNode(const std::string& path) {
    return DeviceHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  }

  DeviceHandle(DeviceHandle&& other) noexcept : handle_(other.handle_) {
    other.handle_ = INVALID_HANDLE_VALUE;
  }
  DeviceHandle(const DeviceHandle&) = delete;
  DeviceHandle& operator=(const DeviceHandle&) = delete;
  ~DeviceHandle() {
    if (IsOpen()) CloseHandle(handle_);
  }

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

  bool Control(std::uint32_t code, void* input, std::uint32_t inputSize, void* output,
               std::uint32_t outputSize, DWORD& returned) const {
    return DeviceIoControl(handle_, code, input, inputSize, output, outputSize, &returned,
                           nullptr) != FALSE;
  }

 private:
  explicit DeviceHandle(HANDLE handle) : handle_(handle) {}
  HANDLE handle_;
};

// "ok <bytes returned> <output hex>" or "refused <error>".
std::string Outcome(bool accepted, DWORD returned, const std::vector<std::uint8_t>& output) {
  if (!accepted) return "refused " + std::to_string(GetLastError());
  std::string text = "ok " + std::to_string(returned);
  if (returned != 0) text += ' ';
  char byte[3];
  for (DWORD i = 0; i < returned && i < output.size(); ++i) {
    std::snprintf(byte, sizeof(byte), "%02X", output[i]);
    text += byte;
  }
  return text;
}

int OpenControlPath(const Args&) {
  const DeviceHandle device = DeviceHandle::OpenControlPath();
  if (!device.IsOpen()) {
    std::printf("open refused %lu\n", GetLastError());
    return 1;
  }
  std::printf("open ok\n");
  return 0;
}

struct IoSpec {
  std::uint32_t code;
  std::vector<std::uint8_t> input;
  std::uint32_t outputSize;
};

bool ParseHexBytes(std::string_view hex, std::vector<std::uint8_t>& bytes) {
  if (hex == "-") return true;
  if (hex.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const std::string pair(hex.substr(i, 2));
    char* end = nullptr;
    bytes.push_back(static_cast<std::uint8_t>(std::strtoul(pair.c_str(), &end, 16)));
    if (*end != '\0') return false;
  }
  return true;
}

// CODE:INPUT-HEX|-:OUTPUT-SIZE
bool ParseIoSpec(std::string_view text, IoSpec& spec) {
  const std::size_t first = text.find(':');
  const std::size_t second = text.find(':', first + 1);
  if (first == std::string_view::npos || second == std::string_view::npos) return false;
  const std::string code(text.substr(0, first));
  const std::string outputSize(text.substr(second + 1));
  char* end = nullptr;
  spec.code = static_cast<std::uint32_t>(std::strtoul(code.c_str(), &end, 16));
  if (code.empty() || *end != '\0') return false;
  spec.outputSize = static_cast<std::uint32_t>(std::strtoul(outputSize.c_str(), &end, 10));
  if (outputSize.empty() || *end != '\0') return false;
  return ParseHexBytes(text.substr(first + 1, second - first - 1), spec.input);
}

// Sends each request on one handle on the control path, one line of outcome per request.
int SendRequests(const Args& args) {
  std::vector<IoSpec> specs(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (!ParseIoSpec(args[i], specs[i])) {
      std::fprintf(stderr, "simprobe: bad request %.*s (want CODE:INHEX|-:OUTSIZE)\n",
                   static_cast<int>(args[i].size()), args[i].data());
      return 2;
    }
  }
  const DeviceHandle device = DeviceHandle::OpenControlPath();
  if (!device.IsOpen()) {
    std::fprintf(stderr, "simprobe: the control path does not open (%lu)\n", GetLastError());
    return 1;
  }
  for (IoSpec& spec : specs) {
    std::vector<std::uint8_t> output(spec.outputSize);
    DWORD returned = 0;
    const bool accepted =
        device.Control(spec.code, spec.input.empty() ? nullptr : spec.input.data(),
                       static_cast<std::uint32_t>(spec.input.size()),
                       output.empty() ? nullptr : output.data(), spec.outputSize, returned);
    std::printf("0x%06X %s\n", spec.code, Outcome(accepted, returned, output).c_str());
  }
  return 0;
}

bool SendSourceQuery(const DeviceHandle& device) {
  std::uint8_t info[kSourceChannelInfoSize] = {};
  DWORD returned = 0;
  return device.Control(IOCTL_GET_SOURCE_CHANNELS, nullptr, 0, info, sizeof(info), returned);
}

// A handle opened before an unplug stays dead after the device comes back; a new one works.
int HeldHandle(const Args&) {
  SimClient sim;
  const DeviceHandle held = DeviceHandle::OpenControlPath();
  if (!sim.IsOpen() || !held.IsOpen()) {
    std::fprintf(stderr, "simprobe: cannot open the devices (%lu)\n", GetLastError());
    return 1;
  }
  std::printf("plugged: %s\n", SendSourceQuery(held) ? "ok" : "refused");
  sim.Send(IOCTL_SIM_UNPLUG);
  std::printf("unplugged: %s\n", SendSourceQuery(held) ? "ok" : "refused");
  sim.Send(IOCTL_SIM_PLUG);
  std::printf("replugged: %s\n", SendSourceQuery(held) ? "ok" : "refused");
  const DeviceHandle fresh = DeviceHandle::OpenControlPath();
  std::printf("new handle: %s\n", fresh.IsOpen() && SendSourceQuery(fresh) ? "ok" : "refused");
  return 0;
}

int CallLibrary(const Args& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: simprobe dll <path\\to\\Zanfilter.dll>\n");
    return 2;
  }
  const std::string path(args[0]);
  const HMODULE library = LoadLibraryA(path.c_str());
  if (library == nullptr) {
    std::fprintf(stderr, "simprobe: cannot load %s (%lu)\n", path.c_str(), GetLastError());
    return 1;
  }
  using Export = int (*)();
  const auto find = [library](const char* name) {
    return reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  };
  const Export isDeviceInstalled = find("IsDeviceInstalled");
  const Export addUsbAudioFilter = find("AddUSBAudioFilter");
  int result = 1;
  if (isDeviceInstalled != nullptr && addUsbAudioFilter != nullptr) {
    std::printf("IsDeviceInstalled %d\n", isDeviceInstalled());
    SetLastError(0);
    const int added = addUsbAudioFilter();
    std::printf("AddUSBAudioFilter %d lasterror %lu\n", added, GetLastError());
    result = 0;
  } else {
    std::fprintf(stderr, "simprobe: an export is missing\n");
  }
  FreeLibrary(library);
  return result;
}

// The bus walk, printed as a tree. It asks with the same buffer sizes as the program's walk.
class BusPrinter {
 public:
  bool found() const { return found_; }

  void WalkController(int number) {
    const std::string name = "\\\\.\\HCD" + std::to_string(number);
    const DeviceHandle controller = DeviceHandle::OpenBusNode(name);
    if (!controller.IsOpen()) return;
    std::vector<std::uint8_t> header(usb::kRootHubNameHeaderSize);
    DWORD returned = 0;
    if (!controller.Control(usb::IOCTL_USB_GET_ROOT_HUB_NAME, nullptr, 0, header.data(),
                            usb::kRootHubNameHeaderSize, returned)) {
      std::printf("HCD%d: root hub name refused %lu\n", number, GetLastError());
      return;
    }
    std::vector<std::uint8_t> full(GetLittleEndian32(header.data()));
    if (full.size() <= usb::kRootHubNameOffset ||
        !controller.Control(usb::IOCTL_USB_GET_ROOT_HUB_NAME, nullptr, 0, full.data(),
                            static_cast<std::uint32_t>(full.size()), returned)) {
      std::printf("HCD%d: root hub name refused %lu\n", number, GetLastError());
      return;
    }
    std::printf("HCD%d -> ", number);
    WalkHub(ToAnsi(full, usb::kRootHubNameOffset), 1);
  }

 private:
  static std::string ToAnsi(const std::vector<std::uint8_t>& buffer, std::size_t offset) {
    const auto* wide = reinterpret_cast<const wchar_t*>(buffer.data() + offset);
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi.data(), size, nullptr, nullptr);
    ansi.resize(static_cast<std::size_t>(size - 1));
    return ansi;
  }

  void WalkHub(const std::string& name, int depth) {
    const DeviceHandle hub = DeviceHandle::OpenBusNode("\\\\.\\" + name);
    std::vector<std::uint8_t> node(usb::kNodeInformationSize);
    DWORD returned = 0;
    if (!hub.IsOpen() ||
        !hub.Control(usb::IOCTL_USB_GET_NODE_INFORMATION, node.data(), usb::kNodeInformationSize,
                     node.data(), usb::kNodeInformationSize, returned)) {
      std::printf("%s: does not answer (%lu)\n", name.c_str(), GetLastError());
      return;
    }
    const int ports = node[usb::kNumberOfPortsOffset];
    std::printf("%s (%d ports)\n", name.c_str(), ports);
    for (int port = 1; port <= ports; ++port) WalkPort(hub, name, port, depth);
  }

  void WalkPort(const DeviceHandle& hub, const std::string& hubName, int port, int depth) {
    std::vector<std::uint8_t> info(usb::kConnectionInformationSize);
    PutLittleEndian32(info.data() + usb::kConnectionIndexOffset, static_cast<std::uint32_t>(port));
    DWORD returned = 0;
    std::printf("%*sport %d: ", depth * 2, "", port);
    if (!hub.Control(usb::IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, info.data(),
                     usb::kConnectionInformationSize, info.data(), usb::kConnectionInformationSize,
                     returned)) {
      std::printf("refused %lu\n", GetLastError());
      return;
    }
    const unsigned vendor = info[usb::kIdVendorOffset] | info[usb::kIdVendorOffset + 1] << 8;
    const unsigned product = info[usb::kIdProductOffset] | info[usb::kIdProductOffset + 1] << 8;
    const bool isHub = info[usb::kDeviceIsHubOffset] != 0;
    if (vendor == 0 && product == 0) {
      std::printf("empty\n");
      return;
    }
    const bool isDevice = vendor == kDeviceVendorId && product == kDeviceProductId;
    std::printf("%s%04X:%04X%s", isHub ? "hub " : "", vendor, product,
                isDevice ? " <- the device\n"
                : isHub  ? " -> "
                         : "\n");
    if (isDevice) {
      found_ = true;
      std::printf("found %04X:%04X behind %s port %d\n", vendor, product, hubName.c_str(), port);
    }
    if (isHub) WalkHub(ConnectionName(hub, port), depth + 1);
  }

  static std::string ConnectionName(const DeviceHandle& hub, int port) {
    std::vector<std::uint8_t> header(usb::kConnectionNameHeaderSize);
    PutLittleEndian32(header.data() + usb::kConnectionIndexOffset,
                      static_cast<std::uint32_t>(port));
    DWORD returned = 0;
    if (!hub.Control(usb::IOCTL_USB_GET_NODE_CONNECTION_NAME, header.data(),
                     usb::kConnectionNameHeaderSize, header.data(), usb::kConnectionNameHeaderSize,
                     returned)) {
      return {};
    }
    const std::uint32_t actual =
        GetLittleEndian32(header.data() + usb::kConnectionNameLengthOffset);
    if (actual <= usb::kConnectionNameHeaderSize) return {};
    std::vector<std::uint8_t> full(actual);
    PutLittleEndian32(full.data() + usb::kConnectionIndexOffset, static_cast<std::uint32_t>(port));
    if (!hub.Control(usb::IOCTL_USB_GET_NODE_CONNECTION_NAME, full.data(), actual, full.data(),
                     actual, returned)) {
      return {};
    }
    return ToAnsi(full, usb::kConnectionNameOffset);
  }

  bool found_ = false;
};

int Walk(const Args&) {
  BusPrinter printer;
  for (int number = 0; number <= 9; ++number) printer.WalkController(number);
  if (!printer.found()) std::printf("device not found\n");
  return printer.found() ? 0 : 1;
}

// A hidden top-level window, as the program's main window is most of the time, counting the
// device-node-change broadcasts it receives.
constexpr WPARAM kDevNodesChanged = 0x0007;  // DBT_DEVNODES_CHANGED
int g_devNodeChanges = 0;

LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DEVICECHANGE && wParam == kDevNodesChanged) {
    ++g_devNodeChanges;
    std::printf("devnodes changed %d\n", g_devNodeChanges);
    std::fflush(stdout);
    return TRUE;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Prints "listening" once its window exists, then waits for `count` broadcasts; exits non-zero
// when they do not all come within the timeout.
int Listen(const Args& args) {
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: simprobe listen <count> <timeout-seconds>\n");
    return 2;
  }
  const int count = std::atoi(std::string(args[0]).c_str());
  const DWORD timeoutMs = static_cast<DWORD>(std::atoi(std::string(args[1]).c_str())) * 1000;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ListenerProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "SimProbeListener";
  RegisterClassA(&windowClass);
  const HWND window = CreateWindowExA(0, windowClass.lpszClassName, "simprobe", WS_OVERLAPPED, 0, 0,
                                      10, 10, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "simprobe: cannot create a window (%lu)\n", GetLastError());
    return 1;
  }
  std::printf("listening\n");
  std::fflush(stdout);
  const DWORD start = GetTickCount();
  MSG message;
  while (g_devNodeChanges < count && GetTickCount() - start < timeoutMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  DestroyWindow(window);
  return g_devNodeChanges >= count ? 0 : 1;
}

struct Command {
  std::string_view name;
  int (*run)(const Args&);
  const char* usage;
};

constexpr Command kCommands[] = {
    {"open", OpenControlPath, "open"},
    {"ioctl", SendRequests, "ioctl CODE:INHEX|-:OUTSIZE..."},
    {"held-handle", HeldHandle, "held-handle"},
    {"dll", CallLibrary, "dll <path\\to\\Zanfilter.dll>"},
    {"walk", Walk, "walk"},
    {"listen", Listen, "listen <count> <timeout-seconds>"},
};

int Usage() {
  std::fprintf(stderr, "usage:\n");
  for (const Command& command : kCommands) std::fprintf(stderr, "  simprobe %s\n", command.usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string_view name = argv[1];
  const Args args(argv + 2, argv + argc);
  for (const Command& command : kCommands) {
    if (command.name == name) return command.run(args);
  }
  return Usage();
}
