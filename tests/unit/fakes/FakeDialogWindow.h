// An in-memory dialog window: controls by id, geometry, visibility, running timers, posted
// commands and the message boxes it owned, answered from a script.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/DialogWindow.h"

namespace quendal::test {

struct MessageBoxShown {
  std::wstring text;
  std::wstring caption;
  unsigned style;
};

class FakeDialogWindow : public DialogWindow {
 public:
  struct Control {
    bool checked = false;
    bool enabled = true;  // templates start their controls enabled
    std::wstring text;
    int sliderMin = 0;
    int sliderMax = 100;
    int sliderPos = 0;
    BitmapHandle bitmap = 0;
    IconHandle icon = 0;
    std::wstring buttonBitmap;
    // The bitmap button's picture as it was when the control was last redrawn at once: a
    // picture set without that redraw is not what this shows.
    std::wstring redrawnButtonBitmap;
    Rect rect;  // client coordinates
  };

  bool IsButtonChecked(int id) const override { return ControlAt(id).checked; }
  void SetButtonCheck(int id, bool checked) override { controls[id].checked = checked; }
  void EnableControl(int id, bool enable) override { controls[id].enabled = enable; }
  std::wstring GetControlText(int id) const override { return ControlAt(id).text; }
  void SetControlText(int id, const std::wstring& text) override { controls[id].text = text; }

  void SetSliderRange(int id, int min, int max, bool redraw) override;
  void SetSliderPos(int id, int position, bool redraw) override;
  int GetSliderPos(int id) const override { return ControlAt(id).sliderPos; }

  void SetControlBitmap(int id, BitmapHandle bitmap) override { controls[id].bitmap = bitmap; }
  void SetControlIcon(int id, IconHandle icon) override { controls[id].icon = icon; }
  void SetButtonBitmap(int id, const wchar_t* bitmapName) override {
    controls[id].buttonBitmap = bitmapName;
  }
  void RedrawControl(int id) override {
    controls[id].redrawnButtonBitmap = controls[id].buttonBitmap;
  }

  Rect GetWindowRect() const override { return windowRect; }
  Rect GetClientRect() const override { return clientRect; }
  Rect GetControlRect(int id) const override { return ControlAt(id).rect; }
  void MoveControl(int id, const Rect& rect, bool) override { controls[id].rect = rect; }
  void MoveWindow(const Rect& screenRect, bool repaint) override;

  WindowId Id() const override { return reinterpret_cast<WindowId>(this); }
  int GetDpi() const override { return dpi; }
  void SetIcon(IconHandle windowIcon) override { icon = windowIcon; }
  void Show(ShowCommand command) override;
  void EnableWindow(bool enable) override { enabled = enable; }
  void ShowOwnedPopups(bool show) override { ownedPopupsShown.push_back(show); }
  void Destroy() override {
    ++*destroyCount;
    if (onDestroy) onDestroy();
  }
  void EndDialog(int result) override { endResult = result; }
  void PostCommand(int id) override { postedCommands.push_back(id); }

  void SetTimer(unsigned id, unsigned periodMs) override { timers[id] = periodMs; }
  void KillTimer(unsigned id) override { timers.erase(id); }
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                     unsigned style) override;

  // A user's click on a radio button: it becomes the only checked button of its group.
  void ClickRadio(const std::vector<int>& group, int id);

  std::map<int, Control> controls;
  std::map<unsigned, unsigned> timers;  // id -> period
  std::vector<MessageBoxShown> boxes;
  std::deque<int> answers;  // answers to the next boxes; OK (1) when empty
  // Geometry: a window whose frame lies around the client area (with a caption above), placed
  // at windowRect on the screen.
  Rect windowRect{100, 100, 500, 400};
  Rect clientRect{0, 0, 392, 370};
  int dpi = 96;
  bool visible = true;
  bool enabled = true;
  std::vector<ShowCommand> shows;
  std::vector<bool> ownedPopupsShown;
  std::vector<int> postedCommands;
  std::optional<int> endResult;
  IconHandle icon = 0;
  // Counts destructions; tests may point it at a counter that outlives the window.
  int ownDestroyCount = 0;
  int* destroyCount = &ownDestroyCount;
  std::function<void()> onDestroy;

 private:
  Control ControlAt(int id) const;
};

}  // namespace quendal::test
