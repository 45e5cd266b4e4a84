#include "app/ControlPanelApp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ControlPanelFixture.h"
#include "fakes/FakePrompt.h"
#include "platform/WindowsValues.h"
#include "resource_ids.h"

namespace quendal::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class FakeInstanceLock : public InstanceLock {
 public:
  MutexHandle CreateNamedMutex(const char* name, bool& alreadyExisted) override {
    names.emplace_back(name);
    alreadyExisted = otherInstanceRuns;
    return ++open;
  }
  void Close(MutexHandle) override { --open; }

  bool otherInstanceRuns = false;
  std::vector<std::string> names;
  MutexHandle open = 0;
};

class ControlPanelAppTest : public ControlPanelFixture {
 public:
  FakeInstanceLock lock;
  FakePrompt prompt;
  CControlPanelApp app{services, lock, prompt};
};

TEST_F(ControlPanelAppTest, SecondInstanceShowsTheErrorAndCreatesNoWindow) {
  lock.otherInstanceRuns = true;
  EXPECT_FALSE(app.InitInstance());
  ASSERT_EQ(prompt.boxes.size(), 1u);
  EXPECT_EQ(prompt.boxes[0].text, L"程式已執行中!");
  EXPECT_EQ(prompt.boxes[0].caption, L"Quendal5.1RIR: 錯誤");
  EXPECT_EQ(prompt.boxes[0].style, kMbIconHand);
  EXPECT_THAT(windows.modeless, IsEmpty());
  EXPECT_EQ(windows.modalRuns, 0);
  app.ExitInstance();
  EXPECT_EQ(lock.open, 0u);
}

TEST_F(ControlPanelAppTest, FirstInstanceRunsThePanelAndMakesTheAboutBoxWhenFirstAskedFor) {
  presence.present = true;
  windows.duringModalRun = [this](Dialog& panelDialog) {
    auto& running = static_cast<CControlPanelDlg&>(panelDialog);
    EXPECT_EQ(app.m_dlgAbout.Window(), nullptr);
    running.OnCommand(ID_TRAY_ABOUT, 0);
    running.OnCommand(ID_TRAY_ABOUT, 0);
    EXPECT_TRUE(FakeWindowOf(app.m_dlgAbout)->visible);
    running.OnCommand(ID_TRAY_EXIT, 0);
  };
  EXPECT_FALSE(app.InitInstance());
  EXPECT_THAT(lock.names, ElementsAre("Narvo"));
  EXPECT_TRUE(prompt.boxes.empty());
  const auto about = std::find(windows.modeless.begin(), windows.modeless.end(), &app.m_dlgAbout);
  ASSERT_NE(about, windows.modeless.end());
  EXPECT_EQ(windows.modelessOwners[static_cast<std::size_t>(about - windows.modeless.begin())], 0u);
  EXPECT_EQ(windows.modalRuns, 1);
  // One About box however often it is chosen.
  EXPECT_EQ(std::count(windows.modeless.begin(), windows.modeless.end(), &app.m_dlgAbout), 1);
  EXPECT_TRUE(tray.shown.empty());

  EXPECT_EQ(app.ExitInstance(), 0);
  EXPECT_EQ(lock.open, 0u);
  EXPECT_EQ(app.m_dlgAbout.Window(), nullptr);
}

TEST_F(ControlPanelAppTest, AnAboutBoxThatCouldNotBeMadeIsTriedAgainAtTheNextAsking) {
  windows.refuseModeless = true;
  EXPECT_TRUE(app.OnAppCommand(ID_TRAY_ABOUT));
  EXPECT_EQ(app.m_dlgAbout.Window(), nullptr);
  windows.refuseModeless = false;
  EXPECT_TRUE(app.OnAppCommand(ID_TRAY_ABOUT));
  ASSERT_NE(app.m_dlgAbout.Window(), nullptr);
  EXPECT_TRUE(FakeWindowOf(app.m_dlgAbout)->visible);
  app.ExitInstance();
  EXPECT_EQ(app.m_dlgAbout.Window(), nullptr);
}

TEST_F(ControlPanelAppTest, AboutBoxHidesOnOkEscapeAndItsCloseBox) {
  windows.CreateModeless(app.m_dlgAbout, 0);
  FakeDialogWindow& about = *FakeWindowOf(app.m_dlgAbout);
  for (int command : {kIdOk, kIdCancel}) {
    app.OnAppCommand(ID_TRAY_ABOUT);
    ASSERT_TRUE(about.visible);
    EXPECT_TRUE(app.m_dlgAbout.OnCommand(command, kBnClicked));
    EXPECT_FALSE(about.visible);
  }
  // The close box is left to the system's dialog handling, which turns it into Cancel.
  EXPECT_FALSE(app.m_dlgAbout.OnClose());
  EXPECT_FALSE(app.OnAppCommand(ID_TRAY_EXIT));
}

}  // namespace
}  // namespace quendal::test
