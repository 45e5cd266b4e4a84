// The speaker-test window over fakes of everything it talks to, as the control-panel window
// creates it: hidden, with the pictures' group box at a fixed place; and its tests on their own,
// each over a fake window.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "fakes/FakeBitmaps.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeDeviceIo.h"
#include "fakes/FakeDialogWindow.h"
#include "fakes/FakePad.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeSound.h"
#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "speakertest/SpeakerTestDlg.h"
#include "support/RcStringTable.h"

namespace quendal::test {

inline const std::vector<int> kModeRadios{IDC_MODE_AUTOMATIC, IDC_MODE_MANUAL, IDC_MODE_SURROUND};
inline const std::vector<int> kSpeakerControls{IDC_SPEAKER_FRONT_LEFT,  IDC_SPEAKER_CENTER,
                                               IDC_SPEAKER_FRONT_RIGHT, IDC_SPEAKER_REAR_RIGHT,
                                               IDC_SPEAKER_SUBWOOFER,   IDC_SPEAKER_REAR_LEFT};

// The pad's client area.
inline constexpr int kPadWidth = 68;
inline constexpr int kPadHeight = 57;

// The resource id of the picture a control shows; nothing while it shows its template image.
inline std::optional<unsigned> PictureOf(const FakeDialogWindow& window, const FakeBitmaps& bitmaps,
                                         int control) {
  const auto found = window.controls.find(control);
  if (found == window.controls.end()) return std::nullopt;
  return bitmaps.IdOf(found->second.bitmap);
}

// The speaker controls that show their active picture.
inline std::vector<int> ActiveSpeakersOf(const FakeDialogWindow& window,
                                         const FakeBitmaps& bitmaps) {
  std::vector<int> active;
  for (int control : kSpeakerControls) {
    const auto picture = PictureOf(window, bitmaps, control);
    if (picture && *picture == SpeakerOfControl(control)->activeBitmap) active.push_back(control);
  }
  return active;
}

class SpeakerTestFixture : public ::testing::Test {
 protected:
  // Width 231 and height 179 make every division of the layout truncate.
  static constexpr Rect kGroupBox{15, 66, 246, 245};

  void TearDown() override {
    EXPECT_EQ(io.misuses, 0);
    EXPECT_EQ(registry.misuses, 0);
    EXPECT_EQ(bitmaps.misuses, 0);
    EXPECT_EQ(pad.misuses, 0);
    EXPECT_EQ(pad.OpenContexts(), 0);
  }

  void CreateWindow() {
    auto created = std::make_unique<FakeDialogWindow>();
    window = created.get();
    window->visible = false;
    window->dpi = windowDpi;
    window->controls[IDC_SPEAKER_GROUP].rect = groupBox;
    dlg.AttachWindow(std::move(created));
    dlg.OnInitDialog();
  }

  // Creates and opens the window with a mode and button status stored; logs cleared.
  void OpenWith(std::uint32_t mode, std::uint32_t status) {
    registry.PutDword("TestMode", mode);
    registry.PutDword("TestBtnStatus", status);
    CreateWindow();
    dlg.OpenTest();
    ClearLogs();
  }

  void ClearLogs() {
    io.ClearLog();
    registry.writes.clear();
    sound.log.clear();
    window->boxes.clear();
  }

  void Click(int id) { dlg.OnCommand(id, kBnClicked); }
  // A user's click on a mode radio: it takes the check, then its handler runs.
  void ChooseMode(int id) {
    window->ClickRadio(kModeRadios, id);
    Click(id);
  }

  std::optional<unsigned> Picture(int control) const {
    return PictureOf(*window, bitmaps, control);
  }
  std::vector<int> ActiveSpeakers() const { return ActiveSpeakersOf(*window, bitmaps); }
  bool ModeRadiosEnabled(bool enabled) const {
    for (int id : kModeRadios) {
      if (window->controls.at(id).enabled != enabled) return false;
    }
    return true;
  }

  void ExpectTransferErrorShown(std::size_t count = 1) const {
    ASSERT_EQ(window->boxes.size(), count);
    for (const MessageBoxShown& box : window->boxes) {
      EXPECT_EQ(box.text, strings.Load(IDS_TRANSFER_ERROR));
      EXPECT_EQ(box.caption, strings.Load(IDS_IO_CONTROL_ERROR));
      EXPECT_EQ(box.style, kMbOk);
    }
  }

  FakeDeviceIo io;
  FakeRegistry registry;
  RcStringTable strings;
  FakeSound sound;
  FakeBitmaps bitmaps;
  FakePad pad{kPadWidth, kPadHeight};
  FakeClock clock;
  SurroundDotGlobals dot;
  CSpeakerTestDlg dlg{io, registry, strings, sound, bitmaps, pad, clock, dot};
  FakeDialogWindow* window = nullptr;
  // The window's DPI and its group box's rectangle as the window is created.
  int windowDpi = 96;
  Rect groupBox = kGroupBox;
};

// The speakers as the automatic sequence and the manual test see them: a fake window holding
// the six picture controls, the twelve pictures loaded, and the sound service.
class SpeakerBoardFixture : public ::testing::Test {
 protected:
  static SpeakerPictures LoadPictures(FakeBitmaps& bitmaps) {
    SpeakerPictures pictures{};
    for (const Speaker& speaker : kSpeakers) {
      pictures[speaker.bitmapSlot] = {bitmaps.Load(speaker.activeBitmap),
                                      bitmaps.Load(speaker.normalBitmap)};
    }
    return pictures;
  }

  std::optional<unsigned> Picture(int control) const { return PictureOf(window, bitmaps, control); }
  std::vector<int> ActiveSpeakers() const { return ActiveSpeakersOf(window, bitmaps); }

  FakeDialogWindow window;
  FakeBitmaps bitmaps;
  FakeSound sound;
  SpeakerPictures pictures = LoadPictures(bitmaps);
  CSpeakerBoard speakers{window, pictures, sound};
};

// The surround test over an open channel, a fake pad and clock, counting the refused requests
// it reports.
class SurroundFixture : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(channel.Open()); }
  void TearDown() override {
    EXPECT_EQ(io.misuses, 0);
    EXPECT_EQ(pad.misuses, 0);
    EXPECT_EQ(pad.OpenContexts(), 0);
  }

  FakeDeviceIo io;
  FakeSound sound;
  FakePad pad{kPadWidth, kPadHeight};
  FakeClock clock;
  SurroundDotGlobals dot;
  FakeDialogWindow window;
  ControlChannel channel{io};
  int refusalsShown = 0;
  CSurroundTest surround{window, channel, sound, pad, clock, dot, [this] { ++refusalsShown; }};
};

}  // namespace quendal::test
