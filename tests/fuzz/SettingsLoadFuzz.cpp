// The three windows that load the settings key, over a key whose thirteen values hold anything:
// any type, any length, any bytes, or nothing. The effects page is created and restored, the
// volume page created and activated, the speaker-test window created, opened, its Start/Stop
// pressed, ticked and closed, as the program does. Whatever the key held, nothing may crash or
// leak, no slider may be asked for a position outside 0..40, every request must have its
// code's buffer sizes, the gains pushed at start-up must be the stored ones held within the
// sliders' range, and loading may
// change no stored setting's meaning, only fill in the defaults of the unreadable ones.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "SettingsLoadCase.h"
#include "device/ControlCodes.h"
#include "device/LittleEndian.h"
#include "fakes/FakeAudioEndpoints.h"
#include "fakes/FakeBitmaps.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeDeviceIo.h"
#include "fakes/FakeDialogWindow.h"
#include "fakes/FakeMixer.h"
#include "fakes/FakePad.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeSound.h"
#include "pages/EffectsPage.h"
#include "pages/VolumePage.h"
#include "resource_ids.h"
#include "speakertest/SpeakerTestDlg.h"
#include "support/RcStringTable.h"

namespace quendal::fuzz {
namespace {

using test::FakeRegistry;

const test::RcStringTable& Strings() {
  static const test::RcStringTable strings;
  return strings;
}

// A window whose sliders must stay inside the range the page gave them, which must be 0..40.
class SliderCheckingWindow : public test::FakeDialogWindow {
 public:
  void SetSliderRange(int id, int min, int max, bool redraw) override {
    Require(min == 0 && max == 40, "every slider has the range 0..40");
    FakeDialogWindow::SetSliderRange(id, min, max, redraw);
  }
  void SetSliderPos(int id, int position, bool redraw) override {
    Require(controls.contains(id), "a slider's range is set before its position");
    Require(position >= 0 && position <= 40, "slider position within 0..40");
    FakeDialogWindow::SetSliderPos(id, position, redraw);
  }
};

// The buffer sizes of each control code: one IEEE single for a gain, the crossover record for
// the bass output, the layout record back from the source query, nothing for the rest.
void RequireWellFormed(const test::DeviceRequest& request) {
  const std::uint32_t code = request.code;
  Require(code >= kFirstFilterControlCode && code <= kLastFilterControlCode &&
              (code - kFirstFilterControlCode) % 4 == 0,
          "only the fourteen control codes are sent");
  std::uint32_t inputSize = 0;
  std::uint32_t outputSize = 0;
  switch (code) {
    case IOCTL_SET_VOLUME_L:
    case IOCTL_SET_VOLUME_R:
    case IOCTL_SET_VOLUME_C:
    case IOCTL_SET_VOLUME_LFE:
    case IOCTL_SET_VOLUME_RL:
    case IOCTL_SET_VOLUME_RR:
      inputSize = kChannelGainSize;
      break;
    case IOCTL_SET_BASS_OUTPUT:
      inputSize = kBassCrossoverParamsSize;
      break;
    case IOCTL_GET_SOURCE_CHANNELS:
      outputSize = kSourceChannelInfoSize;
      break;
    default:
      break;
  }
  Require(request.input.size() == inputSize, "request input size matches its code");
  Require(request.outputSize == outputSize, "request output size matches its code");
  if (code == IOCTL_SET_BASS_OUTPUT) {
    bool known = false;
    for (const BASS_CROSSOVER_PARAMS& params : kBassCrossovers) {
      const auto bytes = EncodeBassCrossover(params);
      known = known || std::equal(bytes.begin(), bytes.end(), request.input.begin());
    }
    Require(known, "a crossover request carries one of the three crossovers");
  }
}

// What the windows find in the key: the stored data where it reads as 4 bytes, otherwise the
// default. Nothing when no key opens.
class StoredSettings {
 public:
  explicit StoredSettings(const SettingsLoadCase& c) : m_case(c) {
    if (!c.machineKeyRefused) {
      m_root = RegistryRoot::kLocalMachine;
    } else if (!c.userKeyRefused) {
      m_root = RegistryRoot::kCurrentUser;
    }
  }

  std::optional<RegistryRoot> Root() const { return m_root; }

  void PutInto(FakeRegistry& registry) const {
    for (std::size_t i = 0; i < kAllSettings.size(); ++i) {
      if (!m_case.values[i]) continue;
      for (RegistryRoot root : {RegistryRoot::kLocalMachine, RegistryRoot::kCurrentUser}) {
        registry.Put(kAllSettings[i].name, m_case.values[i]->type, m_case.values[i]->data, root);
      }
    }
    if (m_case.machineKeyRefused) registry.refusedRoots.insert(RegistryRoot::kLocalMachine);
    if (m_case.userKeyRefused) registry.refusedRoots.insert(RegistryRoot::kCurrentUser);
  }

  bool Readable(const SettingsValue& value) const {
    const auto& stored = m_case.values[IndexOf(value)];
    return m_root && stored && stored->data.size() == 4;
  }

  std::uint32_t Effective(const SettingsValue& value) const {
    if (!Readable(value)) return value.defaultData;
    return GetLittleEndian32(m_case.values[IndexOf(value)]->data.data());
  }

 private:
  static std::size_t IndexOf(const SettingsValue& value) {
    for (std::size_t i = 0; i < kAllSettings.size(); ++i) {
      if (std::string(kAllSettings[i].name) == value.name) return i;
    }
    std::abort();
  }

  const SettingsLoadCase& m_case;
  std::optional<RegistryRoot> m_root;
};

struct Rig {
  explicit Rig(const SettingsLoadCase& c) {
    io.refuseOpen = c.channelRefused;
    for (std::uint32_t n = 0; n < 14; ++n) {
      if ((c.refusedCodes >> n) & 1) io.refusedCodes.insert(FilterControlCode(n));
    }
    if (c.mixerVolume) mixer.devices.push_back({"USB Audio Device", *c.mixerVolume});
  }

  test::FakeDeviceIo io;
  FakeRegistry registry;
  test::FakeMixer mixer;
  test::FakeAudioEndpoints endpoints;
  test::FakeSound sound;
  test::FakeBitmaps bitmaps;
  test::FakePad pad{68, 57};
  test::FakeClock clock;
  SurroundDotGlobals dot;
};

SliderCheckingWindow& Attach(Dialog& dialog) {
  auto window = std::make_unique<SliderCheckingWindow>();
  SliderCheckingWindow& attached = *window;
  dialog.AttachWindow(std::move(window));
  return attached;
}

void RunEffectsPage(Rig& rig) {
  CEffectsPage page(rig.io, rig.registry, Strings());
  Attach(page);
  page.OnInitDialog();
  page.m_nActivateAction = CEffectsPage::ActivateRestore;
  if (page.OnSetActive()) page.OnKillActive();
}

// The gains the page pushes when it is created, in the order front left, front right, centre,
// LFE, rear left, rear right, lie within the sliders' range, from 0x3DCCCCCD (-20 dB) to 10.0
// (+20 dB); a stored gain within that range goes bit for bit.
void RequireStoredGainsPushed(std::span<const test::DeviceRequest> pushed, bool channelOpened,
                              const StoredSettings& stored) {
  static constexpr std::pair<std::uint32_t, SettingsValue> kPush[] = {
      {IOCTL_SET_VOLUME_L, settings::kVolumeL},   {IOCTL_SET_VOLUME_R, settings::kVolumeR},
      {IOCTL_SET_VOLUME_C, settings::kVolumeC},   {IOCTL_SET_VOLUME_LFE, settings::kVolumeLFE},
      {IOCTL_SET_VOLUME_RL, settings::kVolumeRL}, {IOCTL_SET_VOLUME_RR, settings::kVolumeRR}};
  if (!channelOpened) {
    Require(pushed.empty(), "nothing is pushed without a channel");
    return;
  }
  Require(pushed.size() == std::size(kPush), "the six gains are pushed");
  for (std::size_t i = 0; i < std::size(kPush); ++i) {
    Require(pushed[i].code == kPush[i].first, "the gains are pushed in their order");
    Require(pushed[i].input.size() == kChannelGainSize, "a gain is pushed as 4 bytes");
    const std::uint32_t storedBits = stored.Effective(kPush[i].second);
    const std::uint32_t pushedBits = GetLittleEndian32(pushed[i].input.data());
    const auto inRange = [](std::uint32_t bits) {
      const float gain = std::bit_cast<float>(bits);
      return gain >= std::bit_cast<float>(0x3DCCCCCDu) && gain <= 10.0f;
    };
    Require(inRange(pushedBits), "the pushed gain lies within the sliders' range");
    Require(!inRange(storedBits) || pushedBits == storedBits,
            "a stored gain within the range is pushed unchanged");
  }
}

void RunVolumePage(Rig& rig, const StoredSettings& stored) {
  CVolumePage page(rig.io, rig.registry, Strings(), rig.mixer, rig.endpoints);
  Attach(page);
  const std::size_t before = rig.io.requests.size();
  page.OnInitDialog();
  RequireStoredGainsPushed(std::span(rig.io.requests).subspan(before), !rig.io.refuseOpen, stored);
  page.OnSetActive();
  page.OnKillActive();
}

void RunSpeakerTest(Rig& rig) {
  CSpeakerTestDlg dlg(rig.io, rig.registry, Strings(), rig.sound, rig.bitmaps, rig.pad, rig.clock,
                      rig.dot);
  SliderCheckingWindow& window = Attach(dlg);
  window.visible = false;
  window.controls[IDC_SPEAKER_GROUP].rect = {15, 66, 246, 245};
  dlg.OnInitDialog();
  dlg.OpenTest();
  dlg.OnStartStop();
  for (int tick = 0; tick < 3; ++tick) {
    rig.clock.now += 100;
    dlg.OnTimer(ID_TIMER_SEQUENCE);
    dlg.OnTimer(ID_TIMER_SURROUND);
  }
  dlg.CloseTest();
  dlg.DestroyWindow();
}

// Loading fills in the defaults of unreadable values and may write a setting back, but never
// with another meaning; only the Start button's status moves, and never stays "running".
void RequireSettingsKept(const FakeRegistry& registry, const StoredSettings& stored,
                         bool mixerRead) {
  for (const std::string& name : registry.writes) {
    bool known = false;
    for (const SettingsValue& value : kAllSettings) known = known || name == value.name;
    Require(known, "only the thirteen values are written");
  }
  if (!stored.Root()) {
    Require(registry.writes.empty(), "nothing is written without a key");
    return;
  }
  const auto final = [&](const SettingsValue& value) {
    const auto data = registry.Dword(value.name, *stored.Root());
    Require(data.has_value(), "every value is a 4-byte DWORD after loading");
    return *data;
  };
  const auto written = [&](const SettingsValue& value) {
    return std::find(registry.writes.begin(), registry.writes.end(), value.name) !=
           registry.writes.end();
  };
  for (const SettingsValue& value :
       {settings::kOutputMode, settings::kBassOutputMode, settings::kFilterVolume,
        settings::kVolumeL, settings::kVolumeR, settings::kVolumeLFE, settings::kVolumeC,
        settings::kVolumeRL, settings::kVolumeRR, settings::kTestMode}) {
    Require(final(value) == stored.Effective(value), "loading keeps the stored value");
  }
  Require((final(settings::kEnableFilter) != 0) == (stored.Effective(settings::kEnableFilter) != 0),
          "loading keeps the effects switch");
  if (written(settings::kEnableFilter)) {
    Require(final(settings::kEnableFilter) <= 1, "the effects switch is written as 0 or 1");
  }
  if (mixerRead) {
    Require(final(settings::kSystemVolume) <= 40, "the master step read from the mixer is 0..40");
  } else {
    Require(final(settings::kSystemVolume) == stored.Effective(settings::kSystemVolume),
            "without a mixer the stored master step stands");
  }
  if (written(settings::kTestBtnStatus)) {
    Require(final(settings::kTestBtnStatus) <= 1, "the Start button is not left running");
  } else {
    Require(final(settings::kTestBtnStatus) == stored.Effective(settings::kTestBtnStatus),
            "an untouched Start button status is kept");
  }
}

}  // namespace
}  // namespace quendal::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace quendal::fuzz;
  ByteReader in({bytes, size});
  const SettingsLoadCase c = DecodeSettingsLoadCase(in);
  const StoredSettings stored(c);
  Rig rig(c);
  stored.PutInto(rig.registry);

  RunEffectsPage(rig);
  RunVolumePage(rig, stored);
  RunSpeakerTest(rig);

  for (const quendal::test::DeviceRequest& request : rig.io.requests) RequireWellFormed(request);
  Require(rig.io.misuses == 0, "no request or close on a handle that is not open");
  Require(rig.io.OpenHandles() == 0, "every channel handle is closed");
  Require(rig.registry.misuses == 0, "no use of a key that is not open");
  Require(rig.registry.OpenKeys() == 0, "every settings key is closed");
  Require(rig.mixer.misuses == 0 && rig.mixer.OpenHandles() == 0, "every mixer is closed");
  Require(rig.bitmaps.misuses == 0 && rig.bitmaps.LiveBitmaps() == 0,
          "every speaker picture is deleted once");
  Require(rig.pad.misuses == 0 && rig.pad.OpenContexts() == 0, "every pad context is released");
  RequireSettingsKept(rig.registry, stored, c.mixerVolume.has_value());
  return 0;
}
