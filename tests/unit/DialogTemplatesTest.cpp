// The dialog templates against what the windows' code relies on: the controls it addresses by
// id, their classes and styles, the radio groups it reads and writes as one, and the look and
// size of each window.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "speakertest/Speakers.h"
#include "support/RcDialogs.h"

namespace quendal {
namespace {

using namespace test::rc;
using test::RcControl;
using test::RcDialog;
using test::RcRect;

// The bits a style must have and the bits it must not have; anything else is free.
struct StyleRule {
  std::uint32_t set = 0;
  std::uint32_t clear = 0;
};

constexpr StyleRule operator|(StyleRule a, StyleRule b) {
  return {a.set | b.set, a.clear | b.clear};
}
constexpr StyleRule Has(std::uint32_t bits) { return {bits, 0}; }
constexpr StyleRule Lacks(std::uint32_t bits) { return {0, bits}; }
constexpr StyleRule Exactly(std::uint32_t bits) { return {bits, ~bits}; }
// A value held in the bits of `mask`, such as a button's or a static's kind.
constexpr StyleRule Within(std::uint32_t mask, std::uint32_t value) {
  return {value, mask & ~value};
}

::testing::AssertionResult Follows(std::uint32_t style, StyleRule rule) {
  const std::uint32_t missing = rule.set & ~style;
  const std::uint32_t unwanted = rule.clear & style;
  if (missing == 0 && unwanted == 0) return ::testing::AssertionSuccess();
  std::ostringstream why;
  why << std::hex << "style 0x" << style << " lacks 0x" << missing << " and has unwanted 0x"
      << unwanted;
  return ::testing::AssertionFailure() << why.str();
}

constexpr StyleRule kShown = Has(WS_CHILD | WS_VISIBLE) | Lacks(WS_DISABLED);
constexpr StyleRule kPushButton = kShown | Within(BS_TYPEMASK, BS_PUSHBUTTON) | Has(WS_TABSTOP);
constexpr StyleRule kGroupBox = kShown | Within(BS_TYPEMASK, BS_GROUPBOX);
constexpr StyleRule kAutoRadioKind = Within(BS_TYPEMASK, BS_AUTORADIOBUTTON);
constexpr StyleRule kAutoRadio = kShown | kAutoRadioKind;
constexpr StyleRule kGroupStart = Has(WS_GROUP | WS_TABSTOP);
constexpr StyleRule kChannelSlider =
    kShown | Has(TBS_VERT | TBS_AUTOTICKS | TBS_LEFT | WS_TABSTOP | WS_GROUP) | Lacks(TBS_BOTH);
// The pictures the speaker test hit-tests itself: a notify style would make the static take
// the clicks of the manual test away from the window.
constexpr StyleRule kSpeakerPicture =
    kShown | Within(SS_TYPEMASK, SS_BITMAP) | Has(SS_REALSIZEIMAGE) | Lacks(SS_NOTIFY);
constexpr StyleRule kPage = Has(WS_CHILD | WS_CAPTION | DS_SETFONT) | Lacks(WS_POPUP | WS_VISIBLE);
constexpr StyleRule kHiddenPopup =
    Has(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT) |
    Lacks(WS_CHILD | WS_VISIBLE);

constexpr char kButton[] = "button";
constexpr char kStatic[] = "static";
constexpr char kEdit[] = "edit";
constexpr char kTrackbar[] = "msctls_trackbar32";

class DialogTemplatesTest : public ::testing::Test {
 protected:
  const RcDialog& Template(unsigned id) const {
    const auto dialog = dialogs.find(id);
    if (dialog == dialogs.end()) throw std::runtime_error("no dialog " + std::to_string(id));
    return dialog->second;
  }

  const std::map<unsigned, RcDialog> dialogs = test::ReadRcDialogs();
};

TEST_F(DialogTemplatesTest, EachWindowHasItsStyleSizeFontAndCaption) {
  struct Case {
    unsigned dialog;
    StyleRule style;
    StyleRule exStyle;
    int width;
    int height;
    int fontSize;
    const char* font;
    const wchar_t* caption;
  };
  // The control panel is shown at start-up and hides itself; the speaker test and the About
  // box start hidden; the pages are children of the sheet with their tab text as caption.
  const Case cases[] = {
      {IDD_CONTROL_PANEL, Exactly(0x90C800C0), Exactly(WS_EX_APPWINDOW), 295, 185, 8, "Arial",
       L"Quendal5.1RIR: 控制台"},
      {IDD_EFFECTS_PAGE, kPage, {}, 275, 163, 8, "Arial", L"音效"},
      {IDD_SPEAKER_TEST, kHiddenPopup, {}, 274, 183, 8, "Arial", L"Quendal5.1RIR: 喇叭測試"},
      {IDD_INFORMATION_PAGE, kPage, {}, 276, 159, 8, "Arial", L"關於 Quendal"},
      {IDD_VOLUME_PAGE, kPage, {}, 275, 162, 8, "Arial", L"音量"},
      {IDD_ABOUT, kHiddenPopup, {}, 196, 122, 10, "System", L"關於 Quendal"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "dialog " << c.dialog);
    const RcDialog& dialog = Template(c.dialog);
    EXPECT_TRUE(Follows(dialog.style, c.style));
    EXPECT_TRUE(Follows(dialog.exStyle, c.exStyle));
    EXPECT_EQ(dialog.rect, (RcRect{0, 0, c.width, c.height}));
    EXPECT_EQ(dialog.fontSize, c.fontSize);
    EXPECT_EQ(dialog.fontFace, c.font);
    EXPECT_EQ(dialog.caption, c.caption);
    for (const RcControl& control : dialog.controls) {
      if (control.id == -1) continue;
      EXPECT_EQ(dialog.Find(control.id), &control) << "control " << control.id << " twice";
    }
  }
}

TEST_F(DialogTemplatesTest, EveryControlTheCodeAddressesHasTheClassAndStyleItExpects) {
  struct Case {
    unsigned dialog;
    int id;
    const char* windowClass;
    StyleRule style;
    std::optional<RcRect> rect;  // none where the window lays the control out itself
    unsigned image = 0;
  };
  std::vector<Case> cases = {
      {IDD_CONTROL_PANEL, IDC_SHEET_FRAME, kStatic, Exactly(0x48000008), RcRect{3, 0, 285, 155}},
      {IDD_CONTROL_PANEL, IDC_CLOSE, kButton, Exactly(0x50010000), RcRect{240, 164, 44, 15}},
      {IDD_CONTROL_PANEL, IDC_PANEL_ICON, kStatic, Exactly(0x50000803), RcRect{5, 161, 20, 20},
       IDI_PANEL},

      {IDD_EFFECTS_PAGE, IDC_BASS_GROUP, kButton, kGroupBox, RcRect{158, 16, 117, 118}},
      {IDD_EFFECTS_PAGE, IDC_ENABLE_EFFECTS, kButton,
       kShown | Within(BS_TYPEMASK, BS_AUTOCHECKBOX) | kGroupStart, RcRect{23, 46, 68, 10}},
      {IDD_EFFECTS_PAGE, IDC_OUTPUT_2_1, kButton, kAutoRadio | kGroupStart, RcRect{32, 63, 74, 10}},
      {IDD_EFFECTS_PAGE, IDC_OUTPUT_5_1, kButton, kAutoRadio | Has(WS_TABSTOP),
       RcRect{32, 85, 83, 10}},
      {IDD_EFFECTS_PAGE, IDC_CROSSOVER_120, kButton, kAutoRadio | kGroupStart,
       RcRect{184, 41, 37, 10}},
      {IDD_EFFECTS_PAGE, IDC_CROSSOVER_300, kButton, kAutoRadio | Has(WS_TABSTOP),
       RcRect{184, 69, 37, 10}},
      {IDD_EFFECTS_PAGE, IDC_CROSSOVER_450, kButton, kAutoRadio | Has(WS_TABSTOP),
       RcRect{184, 97, 37, 10}},
      {IDD_EFFECTS_PAGE, IDC_SOURCE_LAYOUT, kEdit,
       kShown | Within(ES_CENTER | ES_RIGHT, ES_RIGHT) | Has(ES_READONLY | WS_BORDER) | kGroupStart,
       RcRect{81, 141, 88, 13}},

      {IDD_VOLUME_PAGE, IDC_SLIDER_MASTER, kTrackbar,
       kShown | Has(TBS_VERT | TBS_AUTOTICKS | TBS_BOTH | WS_TABSTOP | WS_GROUP),
       RcRect{17, 24, 27, 118}},
      {IDD_VOLUME_PAGE, IDC_SLIDER_FRONT_LEFT, kTrackbar, kChannelSlider, RcRect{89, 24, 27, 118}},
      {IDD_VOLUME_PAGE, IDC_SLIDER_FRONT_RIGHT, kTrackbar, kChannelSlider,
       RcRect{121, 24, 27, 118}},
      {IDD_VOLUME_PAGE, IDC_SLIDER_LFE, kTrackbar, kChannelSlider, RcRect{151, 24, 27, 118}},
      {IDD_VOLUME_PAGE, IDC_SLIDER_CENTER, kTrackbar, kChannelSlider, RcRect{181, 24, 27, 118}},
      {IDD_VOLUME_PAGE, IDC_SLIDER_REAR_LEFT, kTrackbar, kChannelSlider, RcRect{211, 24, 27, 118}},
      {IDD_VOLUME_PAGE, IDC_SLIDER_REAR_RIGHT, kTrackbar, kChannelSlider, RcRect{243, 24, 27, 118}},
      {IDD_VOLUME_PAGE, IDC_DEFAULT_FRONT_LEFT, kButton, kPushButton, RcRect{91, 142, 27, 11}},
      {IDD_VOLUME_PAGE, IDC_DEFAULT_FRONT_RIGHT, kButton, kPushButton, RcRect{123, 142, 27, 11}},
      {IDD_VOLUME_PAGE, IDC_DEFAULT_LFE, kButton, kPushButton, RcRect{153, 142, 27, 11}},
      {IDD_VOLUME_PAGE, IDC_DEFAULT_CENTER, kButton, kPushButton, RcRect{183, 142, 27, 11}},
      {IDD_VOLUME_PAGE, IDC_DEFAULT_REAR_LEFT, kButton, kPushButton, RcRect{213, 142, 27, 11}},
      {IDD_VOLUME_PAGE, IDC_DEFAULT_REAR_RIGHT, kButton, kPushButton, RcRect{243, 142, 27, 11}},

      {IDD_SPEAKER_TEST, IDC_MODE_AUTOMATIC, kButton, kAutoRadio | kGroupStart,
       RcRect{15, 25, 34, 10}},
      {IDD_SPEAKER_TEST, IDC_MODE_MANUAL, kButton, kAutoRadio, RcRect{66, 26, 42, 9}},
      {IDD_SPEAKER_TEST, IDC_MODE_SURROUND, kButton, kAutoRadio, RcRect{129, 25, 43, 9}},
      // The window draws the Start/Stop pictures itself.
      {IDD_SPEAKER_TEST, IDC_START_STOP, kButton,
       kShown | Within(BS_TYPEMASK, BS_OWNERDRAW) | Has(WS_GROUP), RcRect{196, 21, 41, 14}},
      // The speaker pictures are laid out within this box.
      {IDD_SPEAKER_TEST, IDC_SPEAKER_GROUP, kButton, kGroupBox, RcRect{10, 44, 153, 110}},
      {IDD_SPEAKER_TEST, IDC_LISTENER, kStatic, kSpeakerPicture, std::nullopt, IDB_LISTENER},
      {IDD_SPEAKER_TEST, IDC_SURROUND_PAD, kStatic,
       kShown | Within(SS_TYPEMASK, SS_BITMAP) | Has(SS_SUNKEN), RcRect{194, 83, 45, 38},
       IDB_SURROUND_PAD},
      {IDD_SPEAKER_TEST, IDC_LEAVE_TEST, kButton, kPushButton, RcRect{201, 164, 39, 13}},

      {IDD_ABOUT, kIdOk, kButton, kShown | Within(BS_TYPEMASK, BS_DEFPUSHBUTTON) | Has(WS_TABSTOP),
       RcRect{73, 99, 50, 14}},
  };
  // Each speaker's picture starts as the picture the test shows while the speaker is silent.
  for (const Speaker& speaker : kSpeakers) {
    cases.push_back({IDD_SPEAKER_TEST, speaker.control, kStatic, kSpeakerPicture, std::nullopt,
                     speaker.normalBitmap});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "dialog " << c.dialog << ", control " << c.id);
    const RcControl* control = Template(c.dialog).Find(c.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->windowClass, c.windowClass);
    EXPECT_TRUE(Follows(control->style, c.style));
    if (c.rect) {
      EXPECT_EQ(control->rect, *c.rect);
    }
    EXPECT_EQ(control->image, c.image);
  }
}

// Automatic radio buttons check and clear each other from one WS_GROUP control to the next,
// so each group the code reads as one must be exactly such a run of the template.
TEST_F(DialogTemplatesTest, RadioGroupsStartAndEndWhereTheCodesGroupsDo) {
  struct Case {
    unsigned dialog;
    std::vector<int> radios;
  };
  const Case cases[] = {
      {IDD_EFFECTS_PAGE, {IDC_OUTPUT_2_1, IDC_OUTPUT_5_1}},
      {IDD_EFFECTS_PAGE, {IDC_CROSSOVER_120, IDC_CROSSOVER_300, IDC_CROSSOVER_450}},
      {IDD_SPEAKER_TEST, {IDC_MODE_AUTOMATIC, IDC_MODE_MANUAL, IDC_MODE_SURROUND}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "dialog " << c.dialog << ", group " << c.radios[0]);
    const std::vector<RcControl>& controls = Template(c.dialog).controls;
    auto control = std::ranges::find(controls, c.radios[0], &RcControl::id);
    ASSERT_NE(control, controls.end());
    EXPECT_TRUE(Follows(control->style, Has(WS_GROUP)));
    std::vector<int> group;
    do {
      const bool radio = control->windowClass == kButton && Follows(control->style, kAutoRadioKind);
      if (radio) group.push_back(control->id);
    } while (++control != controls.end() && !Follows(control->style, Has(WS_GROUP)));
    EXPECT_EQ(group, c.radios);
  }
}

}  // namespace
}  // namespace quendal
