#include "app/ControlPanelApp.h"

#include "platform/WindowsValues.h"
#include "resource_ids.h"

namespace quendal {

namespace {

// The named mutex, held until the exit step so that the name exists while this instance runs.
MutexHandle g_hInstanceMutex = 0;

}  // namespace

CControlPanelApp::CControlPanelApp(const PanelServices& services, InstanceLock& lock,
                                   Prompt& prompt)
    : m_dlgAbout(services.bitmaps), m_services(services), m_lock(lock), m_prompt(prompt) {}

bool CControlPanelApp::InitInstance() {
  bool alreadyExisted = false;
  g_hInstanceMutex = m_lock.CreateNamedMutex(kInstanceMutexName, alreadyExisted);
  if (alreadyExisted) {
    m_prompt.ShowMessageBox(m_services.strings.Load(IDS_ALREADY_RUNNING),
                            m_services.strings.Load(IDS_ERROR_CAPTION), kMbIconHand);
    return false;
  }
  CControlPanelDlg panel(m_services, *this);
  m_services.windows.RunModal(panel);
  return false;
}

int CControlPanelApp::ExitInstance() {
  if (g_hInstanceMutex != 0) m_lock.Close(g_hInstanceMutex);
  g_hInstanceMutex = 0;
  m_dlgAbout.DestroyWindow();
  return 0;
}

// Nothing shows the About box before the user asks for it, so it is made then, not while the
// program starts; one that could not be made is tried again at the next asking.
bool CControlPanelApp::OnAppCommand(int id) {
  if (id != ID_TRAY_ABOUT) return false;
  if (m_dlgAbout.Window() == nullptr) m_services.windows.CreateModeless(m_dlgAbout, 0);
  if (m_dlgAbout.Window() != nullptr) m_dlgAbout.Window()->Show(ShowCommand::kShow);
  return true;
}

}  // namespace quendal
