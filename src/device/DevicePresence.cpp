#include "device/DevicePresence.h"

#include <algorithm>

#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "ui/OpenBoxes.h"

namespace quendal {

namespace {

constexpr const wchar_t* kLibraryName = L"Zanfilter.dll";
constexpr const char* kIsDeviceInstalled = "IsDeviceInstalled";
constexpr const char* kAddUsbAudioFilter = "AddUSBAudioFilter";

// The texts AddUSBAudioFilter names by the low 16 bits of the code it leaves. A failure inside
// the library can also leave a code of the system's own (5, access denied), whose low bits would
// pick some unrelated text of the program, such as the 5.1 question: those name none.
constexpr unsigned kFilterWarnings[] = {IDS_RESTART_SYSTEM, IDS_DEVICE_NOT_PLUGGED,
                                        IDS_DEVICE_NOT_INSTALLED};

// The libraries the maker's library needs come from its own folder and the system folder
// alone where the system can say so; elsewhere its own folder is at least searched first.
DependencySearch SafestSearch(const FilterLibrary& library) {
  return library.CanConfineSearch() ? DependencySearch::kOwnFolderAndSystem
                                    : DependencySearch::kOwnFolderFirst;
}

// The library for the length of one question; freed on every path.
class LoadedLibrary {
 public:
  LoadedLibrary(FilterLibrary& library, const std::wstring& path)
      : m_library(library),
        m_handle(path.empty() ? 0 : library.Load(path, SafestSearch(library))) {}
  ~LoadedLibrary() { Free(); }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  // Zero when the library did not load or lacks the export.
  LibraryExport Find(const char* name) {
    return m_handle != 0 ? m_library.Find(m_handle, name) : 0;
  }

  void Free() {
    if (m_handle != 0) m_library.Free(m_handle);
    m_handle = 0;
  }

 private:
  FilterLibrary& m_library;
  LibraryHandle m_handle;
};

}  // namespace

UsbDevicePresence::UsbDevicePresence(DeviceIo& io, FilterLibrary& library, System& system,
                                     const StringTable& strings, Prompt& prompt,
                                     NameConverter& names)
    : m_library(library),
      m_system(system),
      m_strings(strings),
      m_prompt(prompt),
      m_walk(io, names) {}

int UsbDevicePresence::IsDevicePresent() {
  LoadedLibrary library(m_library, LibraryPath());
  const LibraryExport isDeviceInstalled = library.Find(kIsDeviceInstalled);
  if (isDeviceInstalled == 0) {
    library.Free();
    ShowWarningMessage(IDS_LIBRARY_MISSING);
    return 0;
  }
  // The bus is walked even when the driver is not installed; either verdict alone is silent.
  const int installed = m_library.Call(isDeviceInstalled);
  const int found = FindDeviceOnUsbBus();
  return installed != 0 && found != 0;
}

bool UsbDevicePresence::RegisterAudioFilter() {
  LoadedLibrary library(m_library, LibraryPath());
  const LibraryExport addUsbAudioFilter = library.Find(kAddUsbAudioFilter);
  if (addUsbAudioFilter == 0) {
    library.Free();
    ShowWarningMessage(IDS_LIBRARY_MISSING);
    return false;
  }
  // A refusal only warns.
  if (m_library.Call(addUsbAudioFilter) == 0) ShowFilterWarning(m_library.LastError());
  return true;
}

void UsbDevicePresence::ShowWarningMessage(unsigned id) { ShowWarningText(m_strings.Load(id)); }

void UsbDevicePresence::ShowFilterWarning(std::uint32_t code) {
  const unsigned id = code & 0xFFFF;
  const bool named = std::ranges::find(kFilterWarnings, id) != std::end(kFilterWarnings);
  ShowWarningText(named ? m_strings.Load(id) : std::wstring());
}

void UsbDevicePresence::ShowWarningText(const std::wstring& text) {
  const OpenBoxScope box;
  m_prompt.ShowMessageBox(text, m_strings.Load(IDS_WARNING_CAPTION), kMbOk | kMbIconExclamation);
}

std::wstring UsbDevicePresence::LibraryPath() const {
  const std::wstring executable = m_system.ExecutablePath();
  const std::size_t lastBackslash = executable.rfind(L'\\');
  // Without a folder the bare name would be searched for along the system's path.
  if (lastBackslash == std::wstring::npos) return {};
  return executable.substr(0, lastBackslash + 1) + kLibraryName;
}

}  // namespace quendal
