// Members that stand for one control of a dialog, bound to the control's id. Each call goes to
// the dialog's window of the moment, so a member lives as long as its dialog, window or not.
//
//   DialogControl  - the binding: the dialog and the control id
//   StaticControl  - a static control's place in the window
//   SliderControl  - a slider's (trackbar's) range and position
#pragma once

#include "platform/DialogWindow.h"
#include "ui/Dialog.h"

namespace quendal {

class DialogControl {
 public:
  DialogControl(const Dialog& dialog, int id) : m_dialog(dialog), m_id(id) {}

  int Id() const { return m_id; }

 protected:
  DialogWindow& Window() const { return *m_dialog.Window(); }

 private:
  const Dialog& m_dialog;
  int m_id;
};

class StaticControl : public DialogControl {
 public:
  using DialogControl::DialogControl;

  // In the dialog's client coordinates.
  Rect GetRect() const { return Window().GetControlRect(Id()); }
  void Move(const Rect& clientRect, bool repaint) {
    Window().MoveControl(Id(), clientRect, repaint);
  }
};

class SliderControl : public DialogControl {
 public:
  using DialogControl::DialogControl;

  void SetRange(int min, int max, bool redraw) { Window().SetSliderRange(Id(), min, max, redraw); }
  void SetPos(int position, bool redraw) { Window().SetSliderPos(Id(), position, redraw); }
  int GetPos() const { return Window().GetSliderPos(Id()); }
};

}  // namespace quendal
