// The control-panel window with every port behind it faked, started as the modal run would
// start it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/ControlPanelDlg.h"
#include "fakes/BoxEvents.h"
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
#include "support/RcStringTable.h"

namespace quendal::test {

class FakeCommandTarget : public CommandTarget {
 public:
  bool OnAppCommand(int id) override {
    commands.push_back(id);
    return true;
  }
  std::vector<int> commands;
};

class ControlPanelFixture : public ::testing::Test {
 public:
  void TearDown() override {
    EXPECT_EQ(io.misuses, 0);
    EXPECT_EQ(registry.misuses, 0);
    EXPECT_EQ(tray.misuses, 0);
    EXPECT_FALSE(BoxEvents::Pending()) << "an event meant for a box that never opened";
    BoxEvents::Reset();
  }

  // Creates the window from its template, before its initialisation.
  FakeDialogWindow& CreateWindow() {
    auto created = std::make_unique<FakeDialogWindow>();
    window = created.get();
    panel.AttachWindow(std::move(created));
    return *window;
  }

  // Runs the initialisation (creating the window first if needed); false when it ended the run
  // at once.
  bool Start() {
    if (window == nullptr) CreateWindow();
    return panel.OnInitDialog();
  }

  // Starts with the device plugged in and the effects restored, then forgets what start-up
  // sent.
  void StartConnected() {
    presence.present = true;
    ASSERT_TRUE(Start());
    io.ClearLog();
    registry.writes.clear();
  }

  FakeDialogWindow& EffectsWindow() const { return *FakeWindowOf(*panel.m_pEffectsPage); }
  FakeDialogWindow& SpeakerWindow() const { return *FakeWindowOf(*panel.m_pSpeakerTestDlg); }
  FakePropertySheet& sheet() const { return *windows.sheet; }

  // The icon and menu the notification area shows now; zeros when none.
  std::pair<unsigned, unsigned> TrayState() const {
    if (tray.shown.size() != 1) return {0, 0};
    const NotifyIcon& icon = tray.shown.begin()->second;
    return {tray.IconResource(icon.icon), icon.id};
  }

  // Runs what the window posted to itself, as its message loop would, until nothing is left.
  void RunPostedCommands() {
    while (!window->postedCommands.empty()) {
      const int id = window->postedCommands.front();
      window->postedCommands.erase(window->postedCommands.begin());
      panel.OnCommand(id, 0);
    }
  }

  bool PollRunning() const { return window->timers.contains(IDT_SOURCE_POLL); }

  std::intptr_t Send(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
    std::intptr_t result = 0;
    EXPECT_TRUE(panel.OnWindowMessage(message, wParam, lParam, result));
    return result;
  }

  FakeDeviceIo io;
  FakeRegistry registry;
  RcStringTable strings;
  FakeSystem system;
  FakeSound sound;
  FakeMixer mixer;
  FakeAudioEndpoints endpoints;
  FakeTray tray;
  FakeDevicePresence presence;
  FakeWindowFactory windows;
  FakeBitmaps bitmaps;
  FakePad pad{61, 53};  // the pad control's client area
  SurroundDotGlobals surroundDot;
  PanelServices services{io,   registry, strings, system,  sound, mixer,      endpoints,
                         tray, presence, windows, bitmaps, pad,   surroundDot};
  FakeCommandTarget application;
  CControlPanelDlg panel{services, application};
  FakeDialogWindow* window = nullptr;
};

// One more panel inside a test, for tables of cases that each need a fresh one.
class ControlPanelRig final : public ControlPanelFixture {
 public:
  ~ControlPanelRig() override { TearDown(); }

 private:
  void TestBody() override {}
};

}  // namespace quendal::test
