// The About box's picture at the scale of the box's DPI, and no picture left behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "fakes/FakeBitmaps.h"
#include "fakes/FakeDialogWindow.h"
#include "pages/AboutDlg.h"
#include "resource_ids.h"

namespace quendal::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct AboutRig {
  explicit AboutRig(int dpi) {
    auto created = std::make_unique<FakeDialogWindow>();
    created->dpi = dpi;
    window = created.get();
    about.AttachWindow(std::move(created));
    about.OnInitDialog();
  }

  std::optional<unsigned> Shown() const {
    return bitmaps.IdOf(window->controls[IDC_ABOUT_PICTURE].icon);
  }

  FakeBitmaps bitmaps;
  CAboutDlg about{bitmaps};
  FakeDialogWindow* window = nullptr;
};

TEST(AboutDlgTest, ShowsItsPictureAtTheScaleOfItsDpi) {
  const struct {
    int dpi;
    unsigned picture;
  } cases[] = {{120, IDI_ABOUT_125}, {144, IDI_ABOUT_150}, {192, IDI_ABOUT_200}};
  for (const auto& c : cases) {
    AboutRig f(c.dpi);
    EXPECT_THAT(f.bitmaps.loadedIcons, ElementsAre(c.picture)) << c.dpi;
    EXPECT_EQ(f.Shown(), c.picture) << c.dpi;
  }
  // At 100 % the template's own picture stays; nothing is loaded.
  AboutRig plain(96);
  EXPECT_THAT(plain.bitmaps.loadedIcons, IsEmpty());
}

TEST(AboutDlgTest, ADpiChangeSwapsThePictureAndTheWindowTakesItsPictureAlong) {
  AboutRig f(120);
  f.window->dpi = 192;
  f.about.OnDpiChanged({10, 20, 410, 320});
  EXPECT_EQ(f.window->windowRect, (Rect{10, 20, 410, 320}));
  EXPECT_EQ(f.Shown(), IDI_ABOUT_200);
  EXPECT_THAT(f.bitmaps.deletedIcons, ElementsAre(IDI_ABOUT_125));
  EXPECT_TRUE(f.about.DestroyWindow());
  EXPECT_EQ(f.bitmaps.LiveIcons(), 0);
  EXPECT_EQ(f.bitmaps.misuses, 0);
}

}  // namespace
}  // namespace quendal::test
