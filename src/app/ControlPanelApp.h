// The application object: the single-instance rule, the About box, and the control-panel
// window's run, which is the life of the program.
#pragma once

#include "app/ControlPanelDlg.h"
#include "app/PanelServices.h"
#include "pages/AboutDlg.h"
#include "platform/InstanceLock.h"
#include "platform/Prompt.h"

namespace quendal {

inline constexpr char kInstanceMutexName[] = "Narvo";

class CControlPanelApp : public CommandTarget {
 public:
  CControlPanelApp(const PanelServices& services, InstanceLock& lock, Prompt& prompt);

  // Always false: the program ends when the control-panel window's run ends.
  bool InitInstance();
  // Runs after InitInstance in every case, also after refusing a second instance.
  int ExitInstance();

  bool OnAppCommand(int id) override;

  CAboutDlg m_dlgAbout;

 private:
  PanelServices m_services;
  InstanceLock& m_lock;
  Prompt& m_prompt;
};

}  // namespace quendal
