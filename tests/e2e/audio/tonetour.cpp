// Plays WAVE files the way the speaker test plays its tones, so that the sound chain under Wine
// can be checked without the panel: each file looped with PlaySound until the next one starts,
// then all sound stopped.
//
//   tonetour tour FILE...   each file for 1000 ms, in the order given, then stop
//   tonetour press FILE     one file for 700 ms, then stop (a press held on a speaker)
//   tonetour devices        the wave-out and mixer devices Windows sees, each mixer's
//                           speakers volume, and whether each render endpoint's volume takes
//                           a level
//
// Every start and stop is printed with the system time in seconds since 1970, so that the
// caller can line the recording up with the calls.
#include <windows.h>

#include <mmsystem.h>
// After windows.h, which they need.
#include <endpointvolume.h>
#include <mmdeviceapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>

namespace {

constexpr DWORD kTourStepMs = 1000;
constexpr DWORD kPressMs = 700;

double UnixSeconds() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  ULARGE_INTEGER ticks;
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  constexpr unsigned long long kEpochIn100ns = 116444736000000000ULL;
  return static_cast<double>(ticks.QuadPart - kEpochIn100ns) / 1e7;
}

// Sleeps until `step` whole steps after `start`, so the steps do not drift apart.
void SleepUntil(ULONGLONG start, DWORD stepMs, int step) {
  const ULONGLONG deadline = start + static_cast<ULONGLONG>(stepMs) * step;
  const ULONGLONG now = GetTickCount64();
  if (deadline > now) Sleep(static_cast<DWORD>(deadline - now));
}

int PlayEach(wchar_t** files, int count, DWORD stepMs) {
  const ULONGLONG start = GetTickCount64();
  for (int i = 0; i < count; ++i) {
    SleepUntil(start, stepMs, i);
    const double when = UnixSeconds();
    if (!PlaySoundW(files[i], nullptr, SND_FILENAME | SND_ASYNC | SND_LOOP | SND_NODEFAULT)) {
      std::printf("FAILED PlaySound %ls\n", files[i]);
      PlaySoundW(nullptr, nullptr, SND_PURGE);
      return 1;
    }
    std::printf("play %.6f %ls\n", when, files[i]);
    std::fflush(stdout);
  }
  SleepUntil(start, stepMs, count);
  const double when = UnixSeconds();
  PlaySoundW(nullptr, nullptr, SND_PURGE);
  std::printf("stop %.6f\n", when);
  return 0;
}

// The volume of a mixer's speakers destination line, which the panel's master slider reads and
// sets, or why it has none (a capture mixer has no such line).
std::string DescribeSpeakersVolume(UINT device) {
  HMIXER mixer = nullptr;
  if (mixerOpen(&mixer, device, 0, 0, MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR) {
    return "cannot be opened";
  }
  const auto object = reinterpret_cast<HMIXEROBJ>(mixer);
  std::string description = "no speakers line";
  MIXERLINEW line{};
  line.cbStruct = sizeof line;
  line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
  if (mixerGetLineInfoW(object, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) ==
      MMSYSERR_NOERROR) {
    description = "speakers line without a volume control";
    MIXERCONTROLW control{};
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSW controls{};
    controls.cbStruct = sizeof controls;
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    MIXERCONTROLDETAILS_UNSIGNED value{};
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.cChannels = 1;
    details.cbDetails = sizeof value;
    details.paDetails = &value;
    if (mixerGetLineControlsW(object, &controls,
                              MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
        MMSYSERR_NOERROR) {
      details.dwControlID = control.dwControlID;
      description = mixerGetControlDetailsW(
                        object, &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) ==
                            MMSYSERR_NOERROR
                        ? "speakers volume " + std::to_string(value.dwValue)
                        : "speakers volume unreadable";
    }
  }
  mixerClose(mixer);
  return description;
}

// A render endpoint's master volume level, and whether it takes the level it reports: the
// panel's master slider goes through the endpoints where one takes a level, else the mixers.
std::string DescribeEndpointVolume(IMMDeviceCollection* endpoints, UINT index) {
  IMMDevice* device = nullptr;
  IAudioEndpointVolume* volume = nullptr;
  std::string description = "no endpoint volume";
  if (SUCCEEDED(endpoints->Item(index, &device)) &&
      SUCCEEDED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr,
                                 reinterpret_cast<void**>(&volume)))) {
    float level = 0.0f;
    const HRESULT read = volume->GetMasterVolumeLevelScalar(&level);
    const HRESULT set = SUCCEEDED(read) ? volume->SetMasterVolumeLevelScalar(level, nullptr) : read;
    char text[80];
    std::snprintf(text, sizeof text, "level %s, %s (0x%08lx)",
                  SUCCEEDED(read) ? std::to_string(level).c_str() : "unreadable",
                  SUCCEEDED(set) ? "takes a level" : "refuses a level",
                  static_cast<unsigned long>(set));
    description = text;
  }
  if (volume) volume->Release();
  if (device) device->Release();
  return description;
}

void ListRenderEndpoints() {
  const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IMMDeviceEnumerator* enumerator = nullptr;
  IMMDeviceCollection* endpoints = nullptr;
  UINT count = 0;
  if (SUCCEEDED(initialised) &&
      SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                 __uuidof(IMMDeviceEnumerator),
                                 reinterpret_cast<void**>(&enumerator))) &&
      SUCCEEDED(enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, &endpoints)) &&
      SUCCEEDED(endpoints->GetCount(&count))) {
    std::printf("render endpoints: %u\n", count);
    for (UINT i = 0; i < count; ++i) {
      std::printf("  %u: %s\n", i, DescribeEndpointVolume(endpoints, i).c_str());
    }
  } else {
    std::printf("render endpoints: not listed\n");
  }
  if (endpoints) endpoints->Release();
  if (enumerator) enumerator->Release();
  if (SUCCEEDED(initialised)) CoUninitialize();
}

int ListDevices() {
  const UINT waveCount = waveOutGetNumDevs();
  std::printf("wave-out devices: %u\n", waveCount);
  for (UINT i = 0; i < waveCount; ++i) {
    WAVEOUTCAPSW caps{};
    if (waveOutGetDevCapsW(i, &caps, sizeof caps) == MMSYSERR_NOERROR)
      std::printf("  %u: %ls, %u channels\n", i, caps.szPname, caps.wChannels);
  }
  const UINT mixerCount = mixerGetNumDevs();
  std::printf("mixer devices: %u\n", mixerCount);
  for (UINT i = 0; i < mixerCount; ++i) {
    MIXERCAPSW caps{};
    if (mixerGetDevCapsW(i, &caps, sizeof caps) == MMSYSERR_NOERROR)
      std::printf("  %u: %ls, %s\n", i, caps.szPname, DescribeSpeakersVolume(i).c_str());
  }
  ListRenderEndpoints();
  return waveCount > 0 ? 0 : 1;
}

int Usage() {
  std::fputs("usage: tonetour tour FILE... | tonetour press FILE | tonetour devices\n", stderr);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  const std::wstring_view mode = argv[1];
  if (mode == L"tour" && argc >= 3) return PlayEach(argv + 2, argc - 2, kTourStepMs);
  if (mode == L"press" && argc == 3) return PlayEach(argv + 2, 1, kPressMs);
  if (mode == L"devices" && argc == 2) return ListDevices();
  return Usage();
}
