// The control-panel window, started with the device plugged in, fed source-layout replies of
// any bytes and length, refused or not, through its 200 ms poll and the effects page's 300 ms
// display, among the user's switching of the effects and of the settings window. Every display
// tick must show the text its reply calls for, and only one of the three texts; the poll must
// ask the 5.1 question exactly when it is armed and 5.1 material plays with effects on, so at
// most once per arming, play the silent clip exactly when material plays, close its handle and
// re-arm its timer; and at exit every handle, key and icon must be gone.
#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "SourceLayoutCase.h"
#include "app/ControlPanelDlg.h"
#include "device/ControlCodes.h"
#include "fakes/FakeAudioEndpoints.h"
#include "fakes/FakeBitmaps.h"
#include "fakes/FakeDeviceIo.h"
#include "fakes/FakeDevicePresence.h"
#include "fakes/FakeDialogWindow.h"
#include "fakes/FakeMixer.h"
#include "fakes/FakePad.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeSound.h"
#include "fakes/FakeSystem.h"
#include "fakes/FakeTray.h"
#include "fakes/FakeWindows.h"
#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "support/RcStringTable.h"

namespace quendal::fuzz {
namespace {

using test::FakeDialogWindow;

const test::RcStringTable& Strings() {
  static const test::RcStringTable strings;
  return strings;
}

const std::map<unsigned, test::RcMenu>& Menus() {
  static const std::map<unsigned, test::RcMenu> menus = test::ReadRcMenus();
  return menus;
}

class IgnoredCommands : public CommandTarget {
 public:
  bool OnAppCommand(int) override { return true; }
};

// What a reply of the driver means once it has landed in the 4-byte record: a short reply leaves
// the rest of the record zero, bytes beyond the record never arrive.
struct ReplyMeaning {
  bool multichannel;
  bool twoChannel;
};

ReplyMeaning MeaningOf(const std::vector<std::uint8_t>& reply) {
  const auto byteAt = [&](std::size_t i) { return i < reply.size() ? reply[i] : 0; };
  return {byteAt(0) != 0, byteAt(1) != 0};
}

class PanelRig {
 public:
  explicit PanelRig(bool effectsStoredOn) {
    registry.PutDword("EnableFilter", effectsStoredOn ? 1 : 0);
    presence.present = true;
    auto window = std::make_unique<FakeDialogWindow>();
    m_window = window.get();
    panel.AttachWindow(std::move(window));
    Require(panel.OnInitDialog(), "the panel starts");
    Require(Page().m_nActivateAction == CEffectsPage::ActivateRestored,
            "start-up restores the effects");
    // The first two paints hide the window, as they do after every start.
    panel.OnPaint();
    panel.OnPaint();
  }

  void Run(const LayoutStep& step) {
    io.refuseOpen = step.openRefused;
    io.refusedCodes.clear();
    if (step.queryRefused) io.refusedCodes.insert(IOCTL_GET_SOURCE_CHANNELS);
    io.replies[IOCTL_GET_SOURCE_CHANNELS] = step.reply;
    PageWindow().answers = {step.answerNo ? kIdNo : kIdYes};

    switch (step.action) {
      case LayoutAction::kPollTick:
        PollTick(step);
        break;
      case LayoutAction::kOtherTimer:
        OtherTimer();
        break;
      case LayoutAction::kDisplayTick:
        DisplayTick(step);
        break;
      case LayoutAction::kSwitchEffectsOn:
        SwitchEffects(true);
        break;
      case LayoutAction::kSwitchEffectsOff:
        SwitchEffects(false);
        break;
      case LayoutAction::kOpenSettings:
        panel.OnOpenSettings();
        break;
      case LayoutAction::kShowEffectsTab:
        windows.sheet->SetActivePage(1);
        break;
      case LayoutAction::kCloseSettings:
        panel.OnCloseSettings();
        break;
      case LayoutAction::kCount:
        break;
    }
    PageWindow().answers.clear();
    RequireAllowedText();
  }

  void Exit() {
    panel.OnExit();
    Require(io.misuses == 0, "no request or close on a handle that is not open");
    Require(io.OpenHandles() == 0, "every channel handle is closed at exit");
    Require(registry.misuses == 0 && registry.OpenKeys() == 0, "every settings key is closed");
    Require(tray.misuses == 0 && tray.shown.empty(), "the tray icon is gone at exit");
  }

 private:
  CEffectsPage& Page() { return *panel.m_pEffectsPage; }
  FakeDialogWindow& PageWindow() { return *test::FakeWindowOf(Page()); }
  const std::wstring& ShownText() { return PageWindow().controls[IDC_SOURCE_LAYOUT].text; }

  int Questions() {
    int questions = 0;
    for (const test::MessageBoxShown& box : PageWindow().boxes) {
      if (box.text == Strings().Load(IDS_MULTICHANNEL_QUESTION)) ++questions;
    }
    return questions;
  }

  int SilentClipsPlayed() const {
    const std::string play = "play " + std::to_string(IDW_SILENCE);
    return static_cast<int>(std::count(sound.log.begin(), sound.log.end(), play));
  }

  void RequireAllowedText() {
    const std::wstring& text = ShownText();
    Require(text.empty() || text == Strings().Load(IDS_SOURCE_TWO_CHANNEL) ||
                text == Strings().Load(IDS_SOURCE_MULTICHANNEL),
            "the source layout shows one of its three texts");
  }

  void PollTick(const LayoutStep& step) {
    const ReplyMeaning meaning = MeaningOf(step.reply);
    const bool answered = !step.openRefused && !step.queryRefused;
    const bool ask = answered && meaning.multichannel && m_armed && Page().m_bEnableEffects != 0;
    const bool play = answered && (meaning.multichannel || meaning.twoChannel);
    const int questions = Questions();
    const int clips = SilentClipsPlayed();
    const int handles = io.OpenHandles();
    const std::size_t requests = io.requests.size();

    panel.OnTimer(IDT_SOURCE_POLL);

    Require(Questions() - questions == (ask ? 1 : 0),
            "the 5.1 question is asked exactly when armed with effects on and 5.1 playing");
    Require(SilentClipsPlayed() - clips == (play ? 1 : 0),
            "the silent clip plays exactly when material plays");
    Require(io.OpenHandles() == handles, "the poll closes its own handle");
    Require(
        m_window->timers.contains(IDT_SOURCE_POLL) && m_window->timers.at(IDT_SOURCE_POLL) == 200,
        "the poll re-arms itself for 200 ms");
    Require(m_window->enabled, "the window is enabled again after the question");
    if (!step.openRefused) {
      Require(io.requests.size() > requests, "an opened poll sends its query");
      const test::DeviceRequest& query = io.requests[requests];
      Require(query.code == IOCTL_GET_SOURCE_CHANNELS && query.input.empty() &&
                  query.outputSize == kSourceChannelInfoSize && query.outputZeroedOnEntry,
              "the poll asks for the 4-byte layout record with a cleared buffer");
    }
    if (ask) {
      m_armed = false;
      if (step.answerNo) {
        Require(Page().m_bEnableEffects == 0 && !PageWindow().controls[IDC_ENABLE_EFFECTS].checked,
                "No switches the effects off");
      }
    }
  }

  void OtherTimer() {
    const std::size_t requests = io.requests.size();
    panel.OnTimer(IDT_SOURCE_LAYOUT);
    Require(io.requests.size() == requests, "another timer sends nothing");
    Require(m_window->timers.contains(IDT_SOURCE_POLL), "the poll keeps running");
  }

  void DisplayTick(const LayoutStep& step) {
    const std::wstring before = ShownText();
    // Nobody sees the display while the window is hidden, so it asks the device nothing then.
    const bool queried = Page().m_hDevice.IsOpen() && m_window->visible;
    const std::size_t requests = io.requests.size();

    Page().OnTimer(IDT_SOURCE_LAYOUT);

    Require(io.requests.size() - requests == (queried ? 1u : 0u),
            "the display queries only through the page's open handle, while the window shows");
    if (!queried || step.queryRefused) {
      Require(ShownText() == before, "without an answer the text stays");
      return;
    }
    const ReplyMeaning meaning = MeaningOf(step.reply);
    const std::wstring expected = meaning.multichannel ? Strings().Load(IDS_SOURCE_MULTICHANNEL)
                                  : meaning.twoChannel ? Strings().Load(IDS_SOURCE_TWO_CHANNEL)
                                                       : std::wstring();
    Require(ShownText() == expected, "the text is the one the reply calls for");
  }

  // The user can click the check box only on the effects page while it is the page shown.
  void SwitchEffects(bool on) {
    if (windows.sheet->GetActiveIndex() != 1 || !Page().m_hDevice.IsOpen()) return;
    PageWindow().controls[IDC_ENABLE_EFFECTS].checked = on;
    Page().OnCommand(IDC_ENABLE_EFFECTS, kBnClicked);
    if (on) m_armed = true;
  }

  test::FakeDeviceIo io;
  test::FakeRegistry registry;
  test::FakeSystem system;
  test::FakeSound sound;
  test::FakeMixer mixer;
  test::FakeAudioEndpoints endpoints;
  test::FakeTray tray{Menus()};
  test::FakeDevicePresence presence;
  test::FakeWindowFactory windows;
  test::FakeBitmaps bitmaps;
  test::FakePad pad{61, 53};
  SurroundDotGlobals surroundDot;
  PanelServices services{io,   registry, Strings(), system,  sound, mixer,      endpoints,
                         tray, presence, windows,   bitmaps, pad,   surroundDot};
  IgnoredCommands application;
  CControlPanelDlg panel{services, application};

  FakeDialogWindow* m_window = nullptr;
  // The question may be asked: from the page's creation and after each switch-on.
  bool m_armed = true;
};

}  // namespace
}  // namespace quendal::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace quendal::fuzz;
  ByteReader in({bytes, size});
  const SourceLayoutCase c = DecodeSourceLayoutCase(in);
  PanelRig rig(c.effectsStoredOn);
  for (const LayoutStep& step : c.steps) rig.Run(step);
  rig.Exit();
  return 0;
}
