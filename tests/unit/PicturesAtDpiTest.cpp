// The pictures at the scale of the window's DPI: which scale a DPI picks, the resources of a
// scale, and both windows loading their pictures at that scale and again after a DPI change,
// without a leak and without a control left on a deleted picture.
#include <gmock/gmock.h>

#include <algorithm>

#include "ControlPanelFixture.h"
#include "SpeakerTestFixture.h"
#include "ui/BitmapButton.h"
#include "ui/PictureScale.h"
#include "ui/ScaledPictures.h"

namespace quendal::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

TEST(PictureScaleTest, PicksTheScaleDrawnForTheNearestDpi) {
  const struct {
    int dpi;
    PictureScale scale;
  } cases[] = {
      {96, PictureScale::k100},
      {120, PictureScale::k125},
      {144, PictureScale::k150},
      {192, PictureScale::k200},
      {107, PictureScale::k100},
      {113, PictureScale::k125},
      {131, PictureScale::k125},
      {133, PictureScale::k150},
      {167, PictureScale::k150},
      {169, PictureScale::k200},
      {240, PictureScale::k200},
      {480, PictureScale::k200},
      {72, PictureScale::k100},
      {0, PictureScale::k100},
      {-120, PictureScale::k100},
      // Halfway between two scales, the larger.
      {108, PictureScale::k125},
      {132, PictureScale::k150},
      {168, PictureScale::k200},
  };
  for (const auto& c : cases) EXPECT_EQ(PictureScaleForDpi(c.dpi), c.scale) << c.dpi;
}

TEST(PictureScaleTest, NamesTheResourceOfEachScale) {
  EXPECT_EQ(ScaledPictureId(IDB_LISTENER, PictureScale::k100), unsigned{IDB_LISTENER});
  EXPECT_EQ(ScaledPictureId(IDB_LISTENER, PictureScale::k125), unsigned{IDB_LISTENER_125});
  EXPECT_EQ(ScaledPictureId(IDB_SURROUND_PAD, PictureScale::k150), unsigned{IDB_SURROUND_PAD_150});
  EXPECT_EQ(ScaledPictureId(IDI_PANEL, PictureScale::k200), unsigned{IDI_PANEL_200});
  EXPECT_EQ(ScaledPictureName(L"TESTU", PictureScale::k100), L"TESTU");
  EXPECT_EQ(ScaledPictureName(L"TESTD", PictureScale::k150), L"TESTD_150");
  EXPECT_EQ(ScaledPictureName(L"TESTX", PictureScale::k200), L"TESTX_200");
}

// A bitmap and an icon static over a fake window, as a window holds them.
class ScaledPicturesTest : public ::testing::Test {
 protected:
  static constexpr StaticPicture kPictures[] = {
      {IDC_SURROUND_PAD, IDB_SURROUND_PAD, PictureKind::kBitmap},
      {IDC_PANEL_ICON, IDI_PANEL, PictureKind::kIcon},
  };

  void TearDown() override { EXPECT_EQ(bitmaps.misuses, 0); }

  void ShowAt(int dpi) {
    window.dpi = dpi;
    pictures.ShowAtDpiOf(window);
  }
  std::optional<unsigned> PadPicture() const {
    return bitmaps.IdOf(window.controls.at(IDC_SURROUND_PAD).bitmap);
  }
  std::optional<unsigned> BannerPicture() const {
    return bitmaps.IdOf(window.controls.at(IDC_PANEL_ICON).icon);
  }

  FakeDialogWindow window;
  FakeBitmaps bitmaps;
  ScaledPictures pictures{bitmaps, kPictures};
};

TEST_F(ScaledPicturesTest, LeavesTheTemplatesPicturesAt96Dpi) {
  ShowAt(96);
  EXPECT_THAT(bitmaps.loaded, IsEmpty());
  EXPECT_THAT(bitmaps.loadedIcons, IsEmpty());
  EXPECT_TRUE(window.controls.empty());
}

TEST_F(ScaledPicturesTest, ReplacesEachScalesPicturesAndDeletesThoseShownBefore) {
  ShowAt(192);
  EXPECT_EQ(PadPicture(), unsigned{IDB_SURROUND_PAD_200});
  EXPECT_EQ(BannerPicture(), unsigned{IDI_PANEL_200});
  ShowAt(192);  // the same scale again: nothing reloaded
  ShowAt(150);
  EXPECT_EQ(PadPicture(), unsigned{IDB_SURROUND_PAD_150});
  EXPECT_EQ(BannerPicture(), unsigned{IDI_PANEL_150});
  // Back at 100 % the controls no longer hold the template's pictures: they get the program's.
  ShowAt(96);
  EXPECT_EQ(PadPicture(), unsigned{IDB_SURROUND_PAD});
  EXPECT_EQ(BannerPicture(), unsigned{IDI_PANEL});
  EXPECT_THAT(bitmaps.loaded,
              ElementsAre(IDB_SURROUND_PAD_200, IDB_SURROUND_PAD_150, IDB_SURROUND_PAD));
  EXPECT_THAT(bitmaps.deleted, ElementsAre(IDB_SURROUND_PAD_200, IDB_SURROUND_PAD_150));
  EXPECT_THAT(bitmaps.deletedIcons, ElementsAre(IDI_PANEL_200, IDI_PANEL_150));
  EXPECT_EQ(bitmaps.LiveBitmaps(), 1);
  EXPECT_EQ(bitmaps.LiveIcons(), 1);
  pictures.Release();
  EXPECT_EQ(bitmaps.LiveBitmaps(), 0);
  EXPECT_EQ(bitmaps.LiveIcons(), 0);
}

TEST_F(ScaledPicturesTest, APictureThatDoesNotLoadLeavesTheOneShown) {
  ShowAt(144);
  bitmaps.refusedIds = {IDB_SURROUND_PAD_200};
  ShowAt(192);
  EXPECT_EQ(PadPicture(), unsigned{IDB_SURROUND_PAD_150});
  EXPECT_EQ(BannerPicture(), unsigned{IDI_PANEL_200});
  EXPECT_EQ(bitmaps.LiveBitmaps(), 1);
  EXPECT_EQ(bitmaps.LiveIcons(), 1);
}

TEST_F(ScaledPicturesTest, PicturesStillHeldGoWithTheObject) {
  {
    ScaledPictures held{bitmaps, kPictures};
    window.dpi = 120;
    held.ShowAtDpiOf(window);
    EXPECT_EQ(bitmaps.LiveBitmaps() + bitmaps.LiveIcons(), 2);
  }
  EXPECT_EQ(bitmaps.LiveBitmaps() + bitmaps.LiveIcons(), 0);
}

TEST(BitmapButtonTest, ShowsItsPictureAtTheScaleOfTheWindowsDpiAndAgainAfterAChange) {
  FakeDialogWindow window;
  window.dpi = 192;
  BitmapButton button;
  button.Bind(window, IDC_START_STOP);
  button.ReloadForDpi();  // nothing shown yet: nothing to reload
  EXPECT_TRUE(window.controls[IDC_START_STOP].buttonBitmap.empty());
  button.LoadBitmaps(L"TESTU");
  EXPECT_EQ(window.controls[IDC_START_STOP].redrawnButtonBitmap, L"TESTU_200");
  window.dpi = 120;
  button.ReloadForDpi();
  EXPECT_EQ(window.controls[IDC_START_STOP].redrawnButtonBitmap, L"TESTU_125");
  window.dpi = 96;
  button.ReloadForDpi();
  EXPECT_EQ(window.controls[IDC_START_STOP].redrawnButtonBitmap, L"TESTU");
}

// The speaker-test window created at one DPI; every picture control's picture is read back as
// the resource it was loaded from.
class SpeakerPicturesAtDpiTest : public SpeakerTestFixture {
 protected:
  void TearDown() override {
    SpeakerTestFixture::TearDown();
    EXPECT_EQ(bitmaps.misuses, 0);
  }

  void OpenAt(int dpi) {
    windowDpi = dpi;
    OpenWith(2, 0);
  }
  void ChangeDpi(int dpi) {
    window->dpi = dpi;
    dlg.OnDpiChanged({10, 20, 900, 800});
  }
  std::optional<unsigned> Icon(int control) const {
    return bitmaps.IdOf(window->controls.at(control).icon);
  }
  // Every control that the window gave a picture shows a live one.
  bool NoControlShowsADeletedPicture() const {
    return std::all_of(window->controls.begin(), window->controls.end(), [this](const auto& c) {
      const FakeDialogWindow::Control& control = c.second;
      return (control.bitmap == 0 || bitmaps.IsLive(control.bitmap)) &&
             (control.icon == 0 || bitmaps.IsLive(control.icon));
    });
  }
  // The speaker controls that show their active picture at `scale`.
  std::vector<int> ActiveSpeakersAt(PictureScale scale) const {
    std::vector<int> active;
    for (int control : kSpeakerControls) {
      if (Picture(control) == ScaledPictureId(SpeakerOfControl(control)->activeBitmap, scale)) {
        active.push_back(control);
      }
    }
    return active;
  }
  // The twelve speaker pictures at one scale, in the order the window loads them.
  static std::vector<unsigned> SpeakerLoadsAt(PictureScale scale) {
    std::vector<unsigned> ids;
    for (bool active : {true, false}) {
      for (std::size_t slot = 0; slot < kSpeakers.size(); ++slot) {
        const Speaker& speaker = SpeakerInBitmapSlot(slot);
        ids.push_back(ScaledPictureId(active ? speaker.activeBitmap : speaker.normalBitmap, scale));
      }
    }
    return ids;
  }
};

TEST_F(SpeakerPicturesAtDpiTest, At96DpiTheTemplatesPicturesStayUntilATestShowsOthers) {
  OpenAt(96);
  EXPECT_THAT(bitmaps.loaded, ElementsAreArray(SpeakerLoadsAt(PictureScale::k100)));
  EXPECT_THAT(bitmaps.loadedIcons, IsEmpty());
  for (int control : kSpeakerControls) EXPECT_EQ(Picture(control), std::nullopt) << control;
  EXPECT_EQ(Picture(IDC_LISTENER), std::nullopt);
  EXPECT_EQ(Picture(IDC_SURROUND_PAD), std::nullopt);
}

TEST_F(SpeakerPicturesAtDpiTest, FirstOpeningAt192DpiShowsEveryPictureAt200Percent) {
  OpenAt(192);
  std::vector<unsigned> expected = SpeakerLoadsAt(PictureScale::k200);
  expected.push_back(IDB_LISTENER_200);
  expected.push_back(IDB_SURROUND_PAD_200);
  EXPECT_THAT(bitmaps.loaded, ElementsAreArray(expected));
  for (int control : kSpeakerControls) {
    EXPECT_EQ(Picture(control),
              ScaledPictureId(SpeakerOfControl(control)->normalBitmap, PictureScale::k200))
        << control;
  }
  EXPECT_EQ(Picture(IDC_LISTENER), unsigned{IDB_LISTENER_200});
  EXPECT_EQ(Picture(IDC_SURROUND_PAD), unsigned{IDB_SURROUND_PAD_200});
  EXPECT_EQ(Icon(IDC_PANEL_ICON), unsigned{IDI_PANEL_200});
  EXPECT_EQ(window->controls[IDC_START_STOP].redrawnButtonBitmap, L"TESTX_200");
}

// A speaker that blinks when the DPI changes keeps its active picture, now at the new scale.
TEST_F(SpeakerPicturesAtDpiTest, ADpiChangeReloadsEveryPictureAndDeletesTheOldOnes) {
  OpenAt(192);
  ChooseMode(IDC_MODE_AUTOMATIC);
  Click(IDC_START_STOP);
  // The first speaker's tone starts, then its picture blinks: normal, active.
  for (int tick = 0; tick < 3; ++tick) dlg.OnTimer(ID_TIMER_SEQUENCE);
  const std::vector<int> blinking = ActiveSpeakersAt(PictureScale::k200);
  ASSERT_EQ(blinking.size(), 1u);
  const int live = bitmaps.LiveBitmaps();
  bitmaps.loaded.clear();

  ChangeDpi(144);
  std::vector<unsigned> expected = SpeakerLoadsAt(PictureScale::k150);
  expected.push_back(IDB_LISTENER_150);
  expected.push_back(IDB_SURROUND_PAD_150);
  EXPECT_THAT(bitmaps.loaded, ElementsAreArray(expected));
  std::vector<unsigned> deleted = SpeakerLoadsAt(PictureScale::k200);
  deleted.push_back(IDB_LISTENER_200);
  deleted.push_back(IDB_SURROUND_PAD_200);
  EXPECT_THAT(bitmaps.deleted, ElementsAreArray(deleted));
  EXPECT_THAT(bitmaps.deletedIcons, ElementsAre(IDI_PANEL_200));
  EXPECT_EQ(bitmaps.LiveBitmaps(), live);
  EXPECT_EQ(bitmaps.LiveIcons(), 1);
  EXPECT_TRUE(NoControlShowsADeletedPicture());
  EXPECT_EQ(ActiveSpeakersAt(PictureScale::k150), blinking);
  EXPECT_EQ(window->controls[IDC_START_STOP].redrawnButtonBitmap, L"TESTD_150");

  bitmaps.loaded.clear();
  ChangeDpi(150);  // the same scale: nothing reloaded
  EXPECT_THAT(bitmaps.loaded, IsEmpty());

  window = nullptr;
  dlg.DestroyWindow();
  EXPECT_EQ(bitmaps.LiveBitmaps(), 0);
  EXPECT_EQ(bitmaps.LiveIcons(), 0);
}

TEST_F(SpeakerPicturesAtDpiTest, BackAt96DpiTheControlsGetThe100PercentPictures) {
  OpenAt(192);
  ChangeDpi(96);
  for (int control : kSpeakerControls) {
    EXPECT_EQ(Picture(control), SpeakerOfControl(control)->normalBitmap) << control;
  }
  EXPECT_EQ(Picture(IDC_LISTENER), unsigned{IDB_LISTENER});
  EXPECT_EQ(Picture(IDC_SURROUND_PAD), unsigned{IDB_SURROUND_PAD});
  EXPECT_EQ(Icon(IDC_PANEL_ICON), unsigned{IDI_PANEL});
  EXPECT_EQ(window->controls[IDC_START_STOP].redrawnButtonBitmap, L"TESTX");
  EXPECT_TRUE(NoControlShowsADeletedPicture());
  EXPECT_EQ(bitmaps.LiveBitmaps(), 12 + 2);
  EXPECT_EQ(bitmaps.LiveIcons(), 1);
}

// A pad of a scaled picture gets the room for it inside its one-pixel edge and is centred between
// its labels, which the dialog's font placed, so that neither covers the other. At 96 DPI it stays
// where it is.
TEST_F(SpeakerPicturesAtDpiTest, APadOfAScaledPictureIsCentredBetweenItsLabels) {
  const struct {
    int dpi;
    int dpiAfter;
    Rect pad;
    Rect opened;
    Rect afterChange;
  } cases[] = {
      {96, 96, {291, 135, 356, 200}, {291, 135, 356, 200}, {291, 135, 356, 200}},
      {192, 200, {582, 259, 712, 389}, {582, 253, 714, 385}, {582, 258, 714, 390}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dpi);
    windowDpi = c.dpi;
    CreateWindow();
    window->controls[IDC_SURROUND_PAD].rect = c.pad;
    window->controls[IDC_PAD_LEFT].rect = {513, 309, 570, 334};
    window->controls[IDC_PAD_RIGHT].rect = {726, 306, 792, 331};
    window->controls[IDC_PAD_FRONT].rect = {609, 225, 687, 250};
    window->controls[IDC_PAD_BACK].rect = {612, 388, 693, 413};
    dlg.OpenTest();
    EXPECT_EQ(window->controls[IDC_SURROUND_PAD].rect, c.opened);
    // The system has moved the labels with the new font.
    window->dpi = c.dpiAfter;
    window->controls[IDC_PAD_BACK].rect = {612, 398, 693, 423};
    dlg.OnDpiChanged({10, 20, 900, 800});
    EXPECT_EQ(window->controls[IDC_SURROUND_PAD].rect, c.afterChange);
    window = nullptr;
    dlg.DestroyWindow();
  }
}

// Nothing is loaded for a window never opened; its first opening loads at the DPI of then.
TEST_F(SpeakerPicturesAtDpiTest, ADpiChangeBeforeTheFirstOpeningLoadsNothing) {
  windowDpi = 96;
  CreateWindow();
  ChangeDpi(120);
  EXPECT_THAT(bitmaps.loaded, IsEmpty());
  EXPECT_THAT(bitmaps.loadedIcons, IsEmpty());
  dlg.OpenTest();
  EXPECT_EQ(bitmaps.loaded.front(),
            ScaledPictureId(SpeakerInBitmapSlot(0).activeBitmap, PictureScale::k125));
  EXPECT_EQ(Picture(IDC_LISTENER), unsigned{IDB_LISTENER_125});
}

class BannerAtDpiTest : public ControlPanelFixture {
 protected:
  void TearDown() override {
    ControlPanelFixture::TearDown();
    EXPECT_EQ(bitmaps.misuses, 0);
  }
  std::optional<unsigned> Banner() const {
    return bitmaps.IdOf(window->controls[IDC_PANEL_ICON].icon);
  }
};

TEST_F(BannerAtDpiTest, ShowsTheBannerOfTheWindowsScaleAndReplacesItAfterADpiChange) {
  CreateWindow().dpi = 192;
  ASSERT_TRUE(Start());
  EXPECT_EQ(Banner(), unsigned{IDI_PANEL_200});

  window->dpi = 120;
  panel.OnDpiChanged({200, 150, 800, 700});
  EXPECT_EQ(Banner(), unsigned{IDI_PANEL_125});
  EXPECT_THAT(bitmaps.deletedIcons, ElementsAre(IDI_PANEL_200));
  EXPECT_EQ(bitmaps.LiveIcons(), 1);
}

TEST_F(BannerAtDpiTest, At96DpiTheTemplatesBannerStays) {
  ASSERT_TRUE(Start());
  panel.OnDpiChanged({200, 150, 800, 700});
  EXPECT_THAT(bitmaps.loadedIcons, IsEmpty());
  EXPECT_EQ(window->controls[IDC_PANEL_ICON].icon, IconHandle{0});
}

TEST_F(BannerAtDpiTest, TheBannerGoesWithTheWindowObject) {
  {
    CControlPanelDlg other{services, application};
    auto created = std::make_unique<FakeDialogWindow>();
    created->dpi = 144;
    other.AttachWindow(std::move(created));
    ASSERT_TRUE(other.OnInitDialog());
    other.OnExit();
    EXPECT_EQ(bitmaps.LiveIcons(), 1);
  }
  EXPECT_EQ(bitmaps.LiveIcons(), 0);
}

}  // namespace
}  // namespace quendal::test
