// simctl: installs the simulated device's driver and drives the device from outside: plug,
// unplug, source layout, topology, planned failures, the request log and the state.
#include <windows.h>

#include <bit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "SimClient.h"
#include "SimProtocol.h"

namespace {

using namespace quendal::sim;
using Args = std::vector<std::string_view>;

constexpr WPARAM kDevNodesChanged = 0x0007;  // DBT_DEVNODES_CHANGED
constexpr UINT kBroadcastTimeoutMs = 2000;
// Plugging a USB audio device makes the system report more than one device-node change (the
// device and its audio function); the program relies on seeing several.
constexpr int kEventsPerChange = 2;
constexpr auto kStartTimeout = std::chrono::seconds(60);

int Fail(const std::string& message) {
  std::fprintf(stderr, "simctl: %s\n", message.c_str());
  return 1;
}

std::string ErrorText(DWORD error) {
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                 text, sizeof(text), nullptr);
  std::string result = "error " + std::to_string(error);
  if (text[0] != '\0') result += ": " + std::string(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
  return result;
}

int FailWithLastError(const std::string& what) {
  return Fail(what + " (" + ErrorText(GetLastError()) + ")");
}

struct ServiceHandleCloser {
  void operator()(SC_HANDLE handle) const { CloseServiceHandle(handle); }
};
using ServiceHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ServiceHandleCloser>;

std::string ModuleDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path);
  return directory.substr(0, directory.find_last_of('\\') + 1);
}

std::string InstalledDriverPath() {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  return std::string(system) + "\\drivers\\" + kDriverFileName;
}

void BroadcastDeviceChange(int events) {
  for (int i = 0; i < events; ++i) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_DEVICECHANGE, kDevNodesChanged, 0,
                        SMTO_ABORTIFHUNG | SMTO_NORMAL, kBroadcastTimeoutMs, &result);
  }
}

bool WaitForControlDevice() {
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (!SimClient().IsOpen()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// Right after a prefix is created, Wine holds the service database's start lock while its own
// services come up, and StartService answers ERROR_SERVICE_DATABASE_LOCKED until then.
bool StartDriver(SC_HANDLE service) {
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (!StartServiceA(service, 0, nullptr)) {
    const DWORD error = GetLastError();
    if (error == ERROR_SERVICE_ALREADY_RUNNING) return true;
    if (error != ERROR_SERVICE_DATABASE_LOCKED || std::chrono::steady_clock::now() > deadline) {
      SetLastError(error);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return true;
}

bool IsRunning(SC_HANDLE service) {
  SERVICE_STATUS status{};
  return QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING;
}

// Installs the driver as a kernel-driver service and starts it; an installed or running
// driver is fine. The .sys is taken from the argument or from beside simctl. The service starts
// automatically, because Wine ends the driver with the rest of the prefix when its wineserver
// exits, and then the next program started in the prefix brings it back (unplugged state
// and all settings are fresh again).
int Install(const Args& args) {
  const std::string source =
      args.empty() ? ModuleDirectory() + kDriverFileName : std::string(args[0]);
  const auto started = std::chrono::steady_clock::now();
  ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return FailWithLastError("cannot open the service manager");
  ServiceHandle service(OpenServiceA(manager.get(), kServiceName, SERVICE_ALL_ACCESS));
  if (service && IsRunning(service.get())) {
    std::printf("%s is already running\n", kServiceName);
    return 0;
  }
  const std::string target = InstalledDriverPath();
  if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
    return FailWithLastError("cannot copy " + source + " to " + target);
  }
  if (!service) {
    service.reset(CreateServiceA(manager.get(), kServiceName, kServiceName, SERVICE_ALL_ACCESS,
                                 SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                 target.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service) return FailWithLastError("cannot create the service " + target);
  } else if (!ChangeServiceConfigA(service.get(), SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START,
                                   SERVICE_ERROR_NORMAL, target.c_str(), nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr)) {
    return FailWithLastError("cannot update the service");
  }
  if (!StartDriver(service.get())) return FailWithLastError("cannot start the service");
  if (!WaitForControlDevice()) return Fail("the driver started but its control device is absent");
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  std::printf("%s started in %lld ms\n", kServiceName, static_cast<long long>(elapsed.count()));
  return 0;
}

// Sends one request to the private control device; the message names what failed.
int SendToDevice(std::uint32_t code, const void* input, std::uint32_t inputSize,
                 const std::string& what) {
  SimClient client;
  if (!client.IsOpen()) return FailWithLastError("the driver is not running (simctl install)");
  if (!client.Send(code, input, inputSize)) return FailWithLastError(what);
  return 0;
}

int SendAndBroadcast(std::uint32_t code, const void* input, std::uint32_t inputSize,
                     const std::string& what) {
  const int result = SendToDevice(code, input, inputSize, what);
  if (result == 0) BroadcastDeviceChange(kEventsPerChange);
  return result;
}

// With `--quiet` the device is plugged or unplugged without telling anyone, so that a test can
// send the device-change events one at a time with devchange, or none at all, as when the
// device changes while the system sleeps.
int ChangePlug(std::uint32_t code, const Args& args, const char* usage, const std::string& what) {
  if (args.empty()) return SendAndBroadcast(code, nullptr, 0, what);
  if (args[0] == "--quiet") return SendToDevice(code, nullptr, 0, what);
  std::fprintf(stderr, "usage: simctl %s\n", usage);
  return 2;
}

int Plug(const Args& args) {
  return ChangePlug(IOCTL_SIM_PLUG, args, "plug [--quiet]", "plug refused");
}

int Unplug(const Args& args) {
  return ChangePlug(IOCTL_SIM_UNPLUG, args, "unplug [--quiet]", "unplug refused");
}

int DeviceChange(const Args& args) {
  const int events = args.empty() ? 1 : std::atoi(std::string(args[0]).c_str());
  if (events <= 0) return Fail("devchange wants a positive number of events");
  BroadcastDeviceChange(events);
  return 0;
}

template <typename Value>
struct Named {
  std::string_view name;
  Value value;
};

constexpr Named<SimSource> kSources[] = {
    {"none", SimSource::kNone},
    {"2", SimSource::kTwoChannel},
    {"5.1", SimSource::kMultiChannel},
};

constexpr Named<SimTopology> kTopologies[] = {
    {"external", SimTopology::kExternalHub},
    {"root", SimTopology::kRootHub},
    {"absent", SimTopology::kAbsent},
};

template <typename Value, std::size_t N>
const Named<Value>* FindByName(const Named<Value> (&table)[N], std::string_view name) {
  for (const Named<Value>& entry : table) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

template <typename Value, std::size_t N>
std::string_view NameOf(const Named<Value> (&table)[N], std::uint32_t value) {
  for (const Named<Value>& entry : table) {
    if (static_cast<std::uint32_t>(entry.value) == value) return entry.name;
  }
  return "?";
}

template <typename Value, std::size_t N>
int SetNamed(const Named<Value> (&table)[N], const Args& args, std::uint32_t code,
             const char* usage, bool broadcast) {
  const Named<Value>* entry = args.size() == 1 ? FindByName(table, args[0]) : nullptr;
  if (entry == nullptr) return Fail(std::string("usage: ") + usage);
  const auto value = static_cast<std::uint32_t>(entry->value);
  return broadcast ? SendAndBroadcast(code, &value, sizeof(value), "refused")
                   : SendToDevice(code, &value, sizeof(value), "refused");
}

int Source(const Args& args) {
  return SetNamed(kSources, args, IOCTL_SIM_SET_SOURCE, "simctl source 5.1|2|none", false);
}

// Moving the device on the bus is a device-node change like a plug.
int Topology(const Args& args) {
  return SetNamed(kTopologies, args, IOCTL_SIM_SET_TOPOLOGY, "simctl topology external|root|absent",
                  true);
}

bool ParseNumber(std::string_view text, int base, std::uint32_t& value) {
  const std::string copy(text);
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(copy.c_str(), &end, base);
  if (copy.empty() || *end != '\0' || parsed > 0xFFFFFFFFul) return false;
  value = static_cast<std::uint32_t>(parsed);
  return true;
}

// The filter library's request is named, since no header the scripts read has its code.
bool ParseFailureCode(std::string_view text, std::uint32_t& code) {
  if (text != "add-filter") return ParseNumber(text, 16, code);
  code = IOCTL_SIM_ADD_AUDIO_FILTER;
  return true;
}

int FailNext(const Args& args) {
  SIM_FAILURE failure{};
  if (args.size() != 2 || !ParseFailureCode(args[0], failure.dwCode) ||
      !ParseNumber(args[1], 10, failure.dwCount)) {
    return Fail("usage: simctl fail <code-hex>|add-filter <n>");
  }
  return SendToDevice(IOCTL_SIM_FAIL_NEXT, &failure, sizeof(failure),
                      "cannot plan the failure (too many codes planned at once)");
}

constexpr std::string_view kResultNames[] = {
    "ok", "wrong-size", "unknown-code", "unplugged", "stale-handle", "injected", "bad-value"};

std::string_view ResultName(std::uint32_t result) {
  return result < std::size(kResultNames) ? kResultNames[result] : "?";
}

std::string InputHex(const SIM_LOG_ENTRY& entry) {
  if (entry.dwInputSize == 0) return "-";
  std::string hex;
  char byte[3];
  for (std::uint32_t i = 0; i < entry.dwInputSize && i < kLogInputBytes; ++i) {
    std::snprintf(byte, sizeof(byte), "%02X", entry.input[i]);
    hex += byte;
  }
  if (entry.dwInputSize > kLogInputBytes) hex += "...";
  return hex;
}

// One line per request: code, input bytes, and "ok" or "refused <why>".
int Log(const Args& args) {
  const bool clear = args.size() == 1 && args[0] == "--clear";
  if (!args.empty() && !clear) return Fail("usage: simctl log [--clear]");
  SimClient client;
  if (!client.IsOpen()) return FailWithLastError("the driver is not running (simctl install)");
  const SIM_LOG_REQUEST request{clear ? 1u : 0u};
  const auto log = std::make_unique<SIM_LOG>();
  if (!client.Send(IOCTL_SIM_READ_LOG, &request, sizeof(request), log.get(), sizeof(SIM_LOG))) {
    return FailWithLastError("cannot read the log");
  }
  if (log->dwDropped != 0) {
    std::fprintf(stderr, "simctl: %u older requests were dropped\n", log->dwDropped);
  }
  for (std::uint32_t i = 0; i < log->dwCount; ++i) {
    const SIM_LOG_ENTRY& entry = log->entries[i];
    const std::string_view result = ResultName(entry.dwResult);
    const std::string verdict = entry.dwResult == 0 ? "ok" : "refused " + std::string(result);
    std::printf("0x%06X %s %s\n", entry.dwCode, InputHex(entry).c_str(), verdict.c_str());
  }
  return 0;
}

constexpr const char* kChannelNames[kChannelCount] = {"L", "R", "C", "LFE", "RL", "RR"};

// The settings key's gain values, in the key's order, with the channel each one sets.
constexpr Named<SimChannel> kGainValues[] = {
    {"VolumeL", kLeft},   {"VolumeR", kRight},     {"VolumeLFE", kLfe},
    {"VolumeC", kCentre}, {"VolumeRL", kRearLeft}, {"VolumeRR", kRearRight},
};

// The index of the crossover as the settings key holds it; "none" for any other, such as the
// power-on 0 0 0.
std::string CrossoverIndex(const quendal::BASS_CROSSOVER_PARAMS& crossover) {
  for (std::size_t index = 0; index < quendal::kBassCrossovers.size(); ++index) {
    const quendal::BASS_CROSSOVER_PARAMS& known = quendal::kBassCrossovers[index];
    if (known.dwFirst == crossover.dwFirst && known.dwSecond == crossover.dwSecond &&
        known.dwTotal == crossover.dwTotal) {
      return std::to_string(index);
    }
  }
  return "none";
}

// One line in the settings key's own names and decimal numbers, as a test reads the key back,
// so that a script compares what the device holds with what the program stored.
void PrintSettings(const SIM_STATE& state) {
  std::printf("EnableFilter=%u OutputMode=%u BassOutputMode=%s", state.bFilterEnabled,
              state.dwOutputMode, CrossoverIndex(state.crossover).c_str());
  for (const Named<SimChannel>& value : kGainValues) {
    std::printf(" %.*s=%u", static_cast<int>(value.name.size()), value.name.data(),
                state.dwGainBits[value.value]);
  }
  std::printf("\n");
}

int State(const Args& args) {
  const bool settingsOnly = args.size() == 1 && args[0] == "--settings";
  if (!args.empty() && !settingsOnly) return Fail("usage: simctl state [--settings]");
  SimClient client;
  if (!client.IsOpen()) return FailWithLastError("the driver is not running (simctl install)");
  SIM_STATE state{};
  if (!client.Send(IOCTL_SIM_GET_STATE, nullptr, 0, &state, sizeof(state))) {
    return FailWithLastError("cannot read the state");
  }
  if (settingsOnly) {
    PrintSettings(state);
    return 0;
  }
  const std::string_view source = NameOf(kSources, state.dwSource);
  const std::string_view topology = NameOf(kTopologies, state.dwTopology);
  std::printf("plugged: %s\n", state.bPlugged ? "yes" : "no");
  std::printf("topology: %.*s\n", static_cast<int>(topology.size()), topology.data());
  std::printf("filter: %s\n", state.bFilterEnabled ? "on" : "off");
  std::printf(
      "output: %s\n",
      state.dwOutputMode == static_cast<std::uint32_t>(SimOutputMode::kFiveOne) ? "5.1" : "2.1");
  std::printf("crossover: %u %u %u\n", state.crossover.dwFirst, state.crossover.dwSecond,
              state.crossover.dwTotal);
  for (std::uint32_t channel = 0; channel < kChannelCount; ++channel) {
    const std::uint32_t bits = state.dwGainBits[channel];
    std::printf("gain %s: 0x%08X %g\n", kChannelNames[channel], bits,
                static_cast<double>(std::bit_cast<float>(bits)));
  }
  std::printf("speaker test: %s\n", state.bSpeakerTestRunning ? "running" : "stopped");
  std::printf("source: %.*s\n", static_cast<int>(source.size()), source.data());
  std::printf("open handles: %u\n", state.dwOpenHandles);
  std::printf("audio filter adds: %u\n", state.dwAudioFilterAdds);
  return 0;
}

struct Command {
  std::string_view name;
  int (*run)(const Args&);
  std::size_t maxArgs;
  const char* usage;
};

constexpr Command kCommands[] = {
    {"install", Install, 1, "install [path\\to\\QuendalSim.sys]"},
    {"plug", Plug, 1, "plug [--quiet]"},
    {"unplug", Unplug, 1, "unplug [--quiet]"},
    {"devchange", DeviceChange, 1, "devchange [n]"},
    {"source", Source, 1, "source 5.1|2|none"},
    {"topology", Topology, 1, "topology external|root|absent"},
    {"fail", FailNext, 2, "fail <code-hex>|add-filter <n>"},
    {"log", Log, 1, "log [--clear]"},
    {"state", State, 1, "state [--settings]"},
};

int Usage() {
  std::fprintf(stderr, "usage:\n");
  for (const Command& command : kCommands) std::fprintf(stderr, "  simctl %s\n", command.usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string_view name = argv[1];
  const Args args(argv + 2, argv + argc);
  for (const Command& command : kCommands) {
    if (command.name == name && args.size() <= command.maxArgs) return command.run(args);
  }
  return Usage();
}
