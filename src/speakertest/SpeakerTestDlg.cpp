#include "speakertest/SpeakerTestDlg.h"

#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "ui/CommandMap.h"
#include "ui/DpiScale.h"
#include "ui/RequestFailure.h"

namespace quendal {

namespace {

// The Start/Stop button's pictures.
constexpr wchar_t kPictureReady[] = L"TESTU";
constexpr wchar_t kPictureRunning[] = L"TESTD";
constexpr wchar_t kPictureDisabled[] = L"TESTX";

constexpr int kModeRadios[] = {IDC_MODE_AUTOMATIC, IDC_MODE_MANUAL, IDC_MODE_SURROUND};
// The mode radio of mode m is kModeRadioBase + m.
constexpr int kModeRadioBase = IDC_MODE_AUTOMATIC - 1;

// Where a picture goes in the group box that frames them: each is a 48 x 48 rectangle whose left
// is one of three columns and whose top is one of five rows of the box.
constexpr int kPictureSize = 48;
enum class Column { kLeft, kMiddle, kRight };
enum class Row { kFront, kUpper, kListener, kLower, kBack };

struct PicturePlace {
  int control;
  Column column;
  Row row;
};

// In the order the pictures are moved.
constexpr PicturePlace kPicturePlaces[] = {
    {IDC_SPEAKER_FRONT_LEFT, Column::kLeft, Row::kUpper},
    {IDC_SPEAKER_CENTER, Column::kMiddle, Row::kFront},
    {IDC_SPEAKER_FRONT_RIGHT, Column::kRight, Row::kUpper},
    {IDC_SPEAKER_SUBWOOFER, Column::kMiddle, Row::kBack},
    {IDC_SPEAKER_REAR_LEFT, Column::kLeft, Row::kLower},
    {IDC_SPEAKER_REAR_RIGHT, Column::kRight, Row::kLower},
    {IDC_LISTENER, Column::kMiddle, Row::kListener},
};

int ColumnLeft(Column column, const Rect& box, const DpiScale& px) {
  switch (column) {
    case Column::kLeft:
      return box.left + px(10);
    case Column::kMiddle:
      return box.left + box.Width() / 2 - px(24);
    case Column::kRight:
      return box.left + box.Width() - px(58);
  }
  return box.left;
}

int RowTop(Row row, const Rect& box, const DpiScale& px) {
  const int height = box.Height();
  switch (row) {
    case Row::kFront:
      return box.top + px(15);
    case Row::kUpper:
      return box.top + height / 3 - px(24);
    case Row::kListener:
      return box.top + height / 2 - px(19);
    case Row::kLower:
      return box.top + (2 * height) / 3 - px(24);
    case Row::kBack:
      return box.top + height - px(53);
  }
  return box.top;
}

// The offsets and the picture size are 96-DPI pixels, scaled by the window's DPI; the box has
// already grown with the dialog's font.
Rect PlacePicture(const PicturePlace& place, const Rect& box, const DpiScale& px) {
  const int left = ColumnLeft(place.column, box, px);
  const int top = RowTop(place.row, box, px);
  return {left, top, left + px(kPictureSize), top + px(kPictureSize)};
}

// Enter and Escape reach the window as OK and Cancel; they leave it like the Exit button, so
// that no hiding skips putting the filter, the channel and m_bShown right.
constexpr CommandEntry<CSpeakerTestDlg> kCommandMap[] = {
    {IDC_MODE_AUTOMATIC, &CSpeakerTestDlg::OnAutomatic},
    {IDC_MODE_MANUAL, &CSpeakerTestDlg::OnManual},
    {IDC_MODE_SURROUND, &CSpeakerTestDlg::OnSurround},
    {IDC_START_STOP, &CSpeakerTestDlg::OnStartStop},
    {IDC_LEAVE_TEST, &CSpeakerTestDlg::CloseTest},
    {kIdOk, &CSpeakerTestDlg::CloseTest},
    {kIdCancel, &CSpeakerTestDlg::CloseTest},
};

}  // namespace

CSpeakerTestDlg::CSpeakerTestDlg(DeviceIo& io, Registry& registry, const StringTable& strings,
                                 Sound& sound, Bitmaps& bitmaps, Pad& pad, const System& clock,
                                 SurroundDotGlobals& dot)
    : Dialog(IDD_SPEAKER_TEST),
      m_hDevice(io),
      m_hKey(registry, strings),
      m_strings(strings),
      m_sound(sound),
      m_bitmaps(bitmaps),
      m_pad(pad),
      m_clock(clock),
      m_dot(dot) {}

bool CSpeakerTestDlg::OnInitDialog() {
  m_btnStart.Bind(*Window(), IDC_START_STOP);
  LayOutPictures();
  m_hKey.Open();
  m_dwTestMode = ReadSettingOrDefault(settings::kTestMode);
  m_dwTestBtnStatus = ReadSettingOrDefault(settings::kTestBtnStatus);
  // A stored mode outside 1..3 leaves every radio unchecked.
  for (int id : kModeRadios) {
    Window()->SetButtonCheck(id, static_cast<std::uint32_t>(id - kModeRadioBase) == m_dwTestMode);
  }
  m_btnStart.EnableWindow(m_dwTestBtnStatus != ButtonDisabled);
  CreateTests();
  return Dialog::OnInitDialog();
}

void CSpeakerTestDlg::LayOutPictures() {
  const DpiScale px(*Window());
  m_rcWork = Window()->GetControlRect(IDC_SPEAKER_GROUP);
  for (const PicturePlace& place : kPicturePlaces) {
    const Rect rect = PlacePicture(place, m_rcWork, px);
    Window()->MoveControl(place.control, rect, true);
    if (const Speaker* speaker = SpeakerOfControl(place.control)) {
      m_rcSpeaker[speaker->rectSlot] = rect;
    }
  }
}

// The system has moved the window to a screen of another DPI; its group box has been scaled with
// the dialog, so the pictures and their hit rectangles are placed in it again.
void CSpeakerTestDlg::OnDpiChanged(const Rect& suggested) {
  Window()->MoveWindow(suggested, true);
  LayOutPictures();
}

// Nothing shows the pictures before the window is first opened, so they are loaded then, not
// while the program starts.
void CSpeakerTestDlg::LoadPictures() {
  if (m_bPicturesLoaded) return;
  m_bPicturesLoaded = true;
  m_btnStart.LoadBitmaps(m_dwTestBtnStatus != ButtonDisabled ? kPictureReady : kPictureDisabled);
  LoadSpeakerBitmaps();
}

void CSpeakerTestDlg::LoadSpeakerBitmaps() {
  for (std::size_t slot = 0; slot < m_hbmSpeaker.size(); ++slot) {
    m_hbmSpeaker[slot].active = m_bitmaps.Load(SpeakerInBitmapSlot(slot).activeBitmap);
  }
  for (std::size_t slot = 0; slot < m_hbmSpeaker.size(); ++slot) {
    m_hbmSpeaker[slot].normal = m_bitmaps.Load(SpeakerInBitmapSlot(slot).normalBitmap);
  }
}

void CSpeakerTestDlg::DeleteSpeakerBitmaps() {
  for (SpeakerBitmaps& pictures : m_hbmSpeaker) {
    if (pictures.active != 0) m_bitmaps.Delete(pictures.active);
    pictures.active = 0;
  }
  for (SpeakerBitmaps& pictures : m_hbmSpeaker) {
    if (pictures.normal != 0) m_bitmaps.Delete(pictures.normal);
    pictures.normal = 0;
  }
  m_bPicturesLoaded = false;
}

// Fresh tests start idle: no step of the sequence, no speaker pressed.
void CSpeakerTestDlg::CreateTests() {
  DialogWindow& window = *Window();
  m_speakers.emplace(window, m_hbmSpeaker, m_sound);
  m_sequence.emplace(window, *m_speakers);
  m_manual.emplace(m_rcSpeaker, *m_speakers);
  m_surround.emplace(window, m_hDevice, m_sound, m_pad, m_clock, m_dot,
                     [this] { ShowRequestFailure(); });
}

bool CSpeakerTestDlg::DestroyWindow() {
  CloseTest();
  m_hKey.Close();
  DeleteSpeakerBitmaps();
  const bool destroyed = Dialog::DestroyWindow();
  // They refer to the window that has just gone.
  m_surround.reset();
  m_manual.reset();
  m_sequence.reset();
  m_speakers.reset();
  return destroyed;
}

bool CSpeakerTestDlg::OnCommand(int id, int notifyCode) {
  if (notifyCode != kBnClicked) return false;
  return DispatchCommand<CSpeakerTestDlg>(*this, kCommandMap, id);
}

void CSpeakerTestDlg::OnTimer(unsigned id) {
  if (id == ID_TIMER_SEQUENCE) {
    m_sequence->OnSequenceTick();
  } else if (id == ID_TIMER_SURROUND) {
    m_surround->OnMotionTick();
  }
}

bool CSpeakerTestDlg::OnClose() {
  CloseTest();
  return true;
}

void CSpeakerTestDlg::OnLButtonDown(int x, int y) {
  if (m_dwTestMode != ModeManual) return;
  m_manual->Press(x, y);
}

void CSpeakerTestDlg::OnLButtonUp(int /*x*/, int /*y*/) { m_manual->Release(); }

void CSpeakerTestDlg::OnMouseMove(int x, int y) { m_manual->Move(x, y); }

void CSpeakerTestDlg::OnAutomatic() {
  if (!m_hDevice.IsOpen()) return;
  m_btnStart.EnableWindow(true);
  m_btnStart.LoadBitmaps(kPictureReady);
  if (!m_hDevice.Send(IOCTL_FILTER_DISABLE)) {
    ShowRequestFailure();
    return;
  }
  SetTestMode(ModeAutomatic);
  SetButtonStatus(ButtonReady);
}

void CSpeakerTestDlg::OnManual() {
  if (!m_hDevice.IsOpen()) return;
  m_btnStart.EnableWindow(false);
  m_btnStart.LoadBitmaps(kPictureDisabled);
  if (!m_hDevice.Send(IOCTL_FILTER_DISABLE)) {
    ShowRequestFailure();
    return;
  }
  SetTestMode(ModeManual);
  SetButtonStatus(ButtonDisabled);
}

void CSpeakerTestDlg::OnSurround() {
  m_btnStart.EnableWindow(true);
  m_btnStart.LoadBitmaps(kPictureReady);
  SetTestMode(ModeSurround);
  SetButtonStatus(ButtonReady);
}

void CSpeakerTestDlg::OnStartStop() {
  TryReadSetting(settings::kTestMode, m_dwTestMode);
  if (m_dwTestMode == 0 || m_dwTestMode == ModeManual) {
    m_btnStart.EnableWindow(false);
    m_btnStart.LoadBitmaps(kPictureDisabled);
    SetButtonStatus(ButtonDisabled);
    return;
  }
  TryReadSetting(settings::kTestBtnStatus, m_dwTestBtnStatus);
  if (m_dwTestBtnStatus == ButtonReady) {
    m_btnStart.LoadBitmaps(kPictureRunning);
    EnableModeRadios(false);
    SetButtonStatus(ButtonRunning);
    StartTestOfMode();
  } else if (m_dwTestBtnStatus == ButtonRunning) {
    m_btnStart.LoadBitmaps(kPictureReady);
    EnableModeRadios(true);
    SetButtonStatus(ButtonReady);
    StopTestOfMode();
  }
}

void CSpeakerTestDlg::StartTestOfMode() {
  if (m_dwTestMode == ModeAutomatic) {
    m_sequence->StartSequence();
  } else if (m_dwTestMode == ModeSurround) {
    m_surround->StartSurround();
  }
}

void CSpeakerTestDlg::StopTestOfMode() {
  switch (m_dwTestMode) {
    case ModeAutomatic:
      m_sequence->StopSequence();
      break;
    case ModeManual:
      m_sound.StopAll();
      break;
    case ModeSurround:
      m_surround->StopSurround();
      break;
    default:
      break;
  }
}

void CSpeakerTestDlg::OpenTest() {
  if (!m_hDevice.Open()) {
    ShowMessage(m_strings, IDS_DRIVER_NOT_LOADED, IDS_ERROR_CAPTION, kMbIconHand);
    return;
  }
  if (!m_hDevice.Send(IOCTL_FILTER_DISABLE)) ShowRequestFailure();
  m_dwEnableFilter = ReadSettingOrDefault(settings::kEnableFilter);
  LoadPictures();
  m_bShown = 1;
  ShowWindow(ShowCommand::kRestore);
}

void CSpeakerTestDlg::CloseTest() {
  m_sound.StopAll();
  if (m_dwTestBtnStatus == ButtonRunning) {
    m_btnStart.LoadBitmaps(kPictureReady);
    EnableModeRadios(true);
    SetButtonStatus(ButtonReady);
    StopTestOfMode();
  }
  // A hidden window runs no test, also not one whose stop the driver refused.
  if (m_surround) m_surround->EndMotion();
  if (m_bShown != 0 && m_hDevice.IsOpen() &&
      !m_hDevice.Send(m_dwEnableFilter != 0 ? IOCTL_FILTER_ENABLE : IOCTL_FILTER_DISABLE)) {
    ShowRequestFailure();
  }
  m_hDevice.Close();
  // Silence replaces whatever still plays, also a surround sound whose stop the driver refused.
  m_sound.PlayResource(IDW_SILENCE, false);
  m_bShown = 0;
  ShowWindow(ShowCommand::kHide);
}

void CSpeakerTestDlg::CloseTestWithoutBoxes() {
  m_bReportFailures = false;
  CloseTest();
  m_bReportFailures = true;
}

void CSpeakerTestDlg::CloseTestAfterRemoval() {
  m_hDevice.Close();
  CloseTestWithoutBoxes();
}

void CSpeakerTestDlg::ReopenAfterResume() {
  if (m_bShown == 0) return;
  m_hDevice.Close();
  if (!m_hDevice.Open()) {
    CloseTestWithoutBoxes();
    ShowMessage(m_strings, IDS_DRIVER_NOT_LOADED, IDS_ERROR_CAPTION, kMbIconHand);
    return;
  }
  const bool surroundRunning = m_dwTestMode == ModeSurround && m_dwTestBtnStatus == ButtonRunning;
  if (!m_hDevice.Send(surroundRunning ? IOCTL_FILTER_ENABLE : IOCTL_FILTER_DISABLE)) {
    ShowRequestFailure();
  }
}

void CSpeakerTestDlg::EnableModeRadios(bool enable) {
  for (int id : kModeRadios) Window()->EnableControl(id, enable);
}

// Every read starts again from a 4-byte buffer, whatever size the read before it found.
bool CSpeakerTestDlg::TryReadSetting(const SettingsValue& value, std::uint32_t& data) {
  m_cbData = sizeof data;
  return m_hKey.TryRead(value, data, m_cbData);
}

std::uint32_t CSpeakerTestDlg::ReadSettingOrDefault(const SettingsValue& value) {
  m_cbData = sizeof value.defaultData;
  return m_hKey.ReadOrDefault(value, m_cbData);
}

void CSpeakerTestDlg::SetTestMode(std::uint32_t mode) {
  m_dwTestMode = mode;
  m_hKey.Write(settings::kTestMode, mode);
}

void CSpeakerTestDlg::SetButtonStatus(std::uint32_t status) {
  m_dwTestBtnStatus = status;
  m_hKey.Write(settings::kTestBtnStatus, status);
}

void CSpeakerTestDlg::ShowWindow(ShowCommand command) {
  if (Window() != nullptr) Window()->Show(command);
}

void CSpeakerTestDlg::ShowRequestFailure() {
  if (m_bReportFailures) quendal::ShowRequestFailure(*this, m_strings);
}

}  // namespace quendal
