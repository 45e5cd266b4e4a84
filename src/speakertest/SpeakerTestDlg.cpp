#include "speakertest/SpeakerTestDlg.h"

#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "ui/CommandMap.h"
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

int ColumnLeft(Column column, const Rect& box) {
  switch (column) {
    case Column::kLeft:
      return box.left + 10;
    case Column::kMiddle:
      return box.left + box.Width() / 2 - 24;
    case Column::kRight:
      return box.left + box.Width() - 58;
  }
  return box.left;
}

int RowTop(Row row, const Rect& box) {
  const int height = box.Height();
  switch (row) {
    case Row::kFront:
      return box.top + 15;
    case Row::kUpper:
      return box.top + height / 3 - 24;
    case Row::kListener:
      return box.top + height / 2 - 19;
    case Row::kLower:
      return box.top + (2 * height) / 3 - 24;
    case Row::kBack:
      return box.top + height - 53;
  }
  return box.top;
}

Rect PlacePicture(const PicturePlace& place, const Rect& box) {
  const int left = ColumnLeft(place.column, box);
  const int top = RowTop(place.row, box);
  return {left, top, left + kPictureSize, top + kPictureSize};
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
  LayOutPictures();
  m_hKey.Open();
  m_dwTestMode = m_hKey.ReadOrDefault(settings::kTestMode);
  m_dwTestBtnStatus = m_hKey.ReadOrDefault(settings::kTestBtnStatus);
  // A stored mode outside 1..3 leaves every radio unchecked.
  for (int id : kModeRadios) {
    Window()->SetButtonCheck(id, static_cast<std::uint32_t>(id - kModeRadioBase) == m_dwTestMode);
  }
  const bool startEnabled = m_dwTestBtnStatus != ButtonDisabled;
  Window()->EnableControl(IDC_START_STOP, startEnabled);
  SetStartPicture(startEnabled ? kPictureReady : kPictureDisabled);
  m_nPressed = 0;
  m_nStep = 0;
  m_nTick = 0;
  LoadSpeakerBitmaps();
  return Dialog::OnInitDialog();
}

void CSpeakerTestDlg::LayOutPictures() {
  const Rect box = Window()->GetControlRect(IDC_SPEAKER_GROUP);
  for (const PicturePlace& place : kPicturePlaces) {
    const Rect rect = PlacePicture(place, box);
    Window()->MoveControl(place.control, rect, true);
    if (const Speaker* speaker = SpeakerOfControl(place.control)) {
      m_rcSpeaker[speaker->rectSlot] = rect;
    }
  }
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
}

bool CSpeakerTestDlg::DestroyWindow() {
  CloseTest();
  m_hKey.Close();
  DeleteSpeakerBitmaps();
  return Dialog::DestroyWindow();
}

bool CSpeakerTestDlg::OnCommand(int id, int notifyCode) {
  if (notifyCode != kBnClicked) return false;
  return DispatchCommand<CSpeakerTestDlg>(*this, kCommandMap, id);
}

void CSpeakerTestDlg::OnTimer(unsigned id) {
  if (id == IDT_SEQUENCE) {
    OnSequenceTick();
  } else if (id == IDT_SURROUND) {
    OnMotionTick();
  }
}

bool CSpeakerTestDlg::OnClose() {
  CloseTest();
  return true;
}

void CSpeakerTestDlg::OnAutomatic() {
  if (!m_hDevice.IsOpen()) return;
  Window()->EnableControl(IDC_START_STOP, true);
  SetStartPicture(kPictureReady);
  if (!m_hDevice.Send(IOCTL_FILTER_DISABLE)) {
    ShowRequestFailure();
    return;
  }
  SetTestMode(ModeAutomatic);
  SetButtonStatus(ButtonReady);
}

void CSpeakerTestDlg::OnManual() {
  if (!m_hDevice.IsOpen()) return;
  Window()->EnableControl(IDC_START_STOP, false);
  SetStartPicture(kPictureDisabled);
  if (!m_hDevice.Send(IOCTL_FILTER_DISABLE)) {
    ShowRequestFailure();
    return;
  }
  SetTestMode(ModeManual);
  SetButtonStatus(ButtonDisabled);
}

void CSpeakerTestDlg::OnSurround() {
  Window()->EnableControl(IDC_START_STOP, true);
  SetStartPicture(kPictureReady);
  SetTestMode(ModeSurround);
  SetButtonStatus(ButtonReady);
}

void CSpeakerTestDlg::OnStartStop() {
  m_hKey.TryRead(settings::kTestMode, m_dwTestMode);
  if (m_dwTestMode == 0 || m_dwTestMode == ModeManual) {
    Window()->EnableControl(IDC_START_STOP, false);
    SetStartPicture(kPictureDisabled);
    SetButtonStatus(ButtonDisabled);
    return;
  }
  m_hKey.TryRead(settings::kTestBtnStatus, m_dwTestBtnStatus);
  if (m_dwTestBtnStatus == ButtonReady) {
    SetStartPicture(kPictureRunning);
    EnableModeRadios(false);
    SetButtonStatus(ButtonRunning);
    StartTestOfMode();
  } else if (m_dwTestBtnStatus == ButtonRunning) {
    SetStartPicture(kPictureReady);
    EnableModeRadios(true);
    SetButtonStatus(ButtonReady);
    StopTestOfMode();
  }
}

void CSpeakerTestDlg::StartTestOfMode() {
  if (m_dwTestMode == ModeAutomatic) {
    StartSequence();
  } else if (m_dwTestMode == ModeSurround) {
    StartSurround();
  }
}

void CSpeakerTestDlg::StopTestOfMode() {
  switch (m_dwTestMode) {
    case ModeAutomatic:
      StopSequence();
      break;
    case ModeManual:
      m_sound.StopAll();
      break;
    case ModeSurround:
      StopSurround();
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
  m_dwEnableFilter = m_hKey.ReadOrDefault(settings::kEnableFilter);
  m_bShown = 1;
  ShowWindow(ShowCommand::kRestore);
}

void CSpeakerTestDlg::CloseTest() {
  m_sound.StopAll();
  if (m_dwTestBtnStatus == ButtonRunning) {
    SetStartPicture(kPictureReady);
    EnableModeRadios(true);
    SetButtonStatus(ButtonReady);
    StopTestOfMode();
  }
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

void CSpeakerTestDlg::SetStartPicture(const wchar_t* picture) {
  Window()->SetButtonBitmap(IDC_START_STOP, picture);
}

void CSpeakerTestDlg::EnableModeRadios(bool enable) {
  for (int id : kModeRadios) Window()->EnableControl(id, enable);
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

void CSpeakerTestDlg::ShowRequestFailure() { quendal::ShowRequestFailure(*this, m_strings); }

}  // namespace quendal
