#include "platform/win32/Win32AudioEndpoints.h"

#include <windows.h>
// After windows.h, which they need.
#include <endpointvolume.h>
#include <mmdeviceapi.h>

#include <utility>

namespace quendal {

namespace {

// The endpoint's friendly name property, as the system's device property keys publish it; kept
// here so that the program needs no GUID library.
constexpr PROPERTYKEY kDeviceFriendlyName{
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};

// One reference on a COM object, released when it goes out of scope.
template <typename Interface>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (m_object != nullptr) m_object->Release();
  }
  ComRef(ComRef&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef& operator=(ComRef&&) = delete;

  // Where a call that hands out a new reference puts it; only on an empty one.
  Interface** Receive() { return &m_object; }
  void** ReceiveUntyped() { return reinterpret_cast<void**>(&m_object); }
  Interface* operator->() const { return m_object; }
  explicit operator bool() const { return m_object != nullptr; }

 private:
  Interface* m_object = nullptr;
};

// COM on this thread for as long as it lives.
class ComApartment {
 public:
  ComApartment() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(m_result)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  // A thread that already runs COM in the other model may use it but must not uninitialise it.
  bool IsUsable() const { return SUCCEEDED(m_result) || m_result == RPC_E_CHANGED_MODE; }

 private:
  HRESULT m_result;
};

// A property value, cleared when it goes out of scope.
class PropertyValue {
 public:
  PropertyValue() { PropVariantInit(&m_value); }
  ~PropertyValue() { PropVariantClear(&m_value); }
  PropertyValue(const PropertyValue&) = delete;
  PropertyValue& operator=(const PropertyValue&) = delete;

  PROPVARIANT* Receive() { return &m_value; }
  const wchar_t* Text() const { return m_value.vt == VT_LPWSTR ? m_value.pwszVal : nullptr; }

 private:
  PROPVARIANT m_value;
};

std::optional<std::string> ToUtf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::nullopt;
  std::string utf8(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr) != size) {
    return std::nullopt;
  }
  utf8.pop_back();
  return utf8;
}

class Win32RenderEndpoints final : public RenderEndpoints {
 public:
  bool Open();

  unsigned Count() override;
  std::optional<std::string> FriendlyName(unsigned index) override;
  std::optional<float> MasterLevel(unsigned index) override;
  bool SetMasterLevel(unsigned index, float level) override;

 private:
  // The endpoint's volume; empty when the endpoint or its volume is not there.
  ComRef<IAudioEndpointVolume> Volume(unsigned index);

  // First: COM stays initialised until the references below are released.
  ComApartment m_apartment;
  ComRef<IMMDeviceEnumerator> m_enumerator;
  ComRef<IMMDeviceCollection> m_endpoints;
};

bool Win32RenderEndpoints::Open() {
  return m_apartment.IsUsable() &&
         SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                    __uuidof(IMMDeviceEnumerator),
                                    m_enumerator.ReceiveUntyped())) &&
         SUCCEEDED(
             m_enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, m_endpoints.Receive()));
}

unsigned Win32RenderEndpoints::Count() {
  UINT count = 0;
  if (FAILED(m_endpoints->GetCount(&count))) return 0;
  return count;
}

std::optional<std::string> Win32RenderEndpoints::FriendlyName(unsigned index) {
  ComRef<IMMDevice> device;
  if (FAILED(m_endpoints->Item(index, device.Receive()))) return std::nullopt;
  ComRef<IPropertyStore> properties;
  if (FAILED(device->OpenPropertyStore(STGM_READ, properties.Receive()))) return std::nullopt;
  PropertyValue name;
  if (FAILED(properties->GetValue(kDeviceFriendlyName, name.Receive())) || !name.Text()) {
    return std::nullopt;
  }
  return ToUtf8(name.Text());
}

ComRef<IAudioEndpointVolume> Win32RenderEndpoints::Volume(unsigned index) {
  ComRef<IMMDevice> device;
  if (FAILED(m_endpoints->Item(index, device.Receive()))) return {};
  ComRef<IAudioEndpointVolume> volume;
  if (FAILED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr,
                              volume.ReceiveUntyped()))) {
    return {};
  }
  return volume;
}

std::optional<float> Win32RenderEndpoints::MasterLevel(unsigned index) {
  const auto volume = Volume(index);
  float level = 0.0f;
  if (!volume || FAILED(volume->GetMasterVolumeLevelScalar(&level))) return std::nullopt;
  return level;
}

bool Win32RenderEndpoints::SetMasterLevel(unsigned index, float level) {
  const auto volume = Volume(index);
  // No event context: the program does not listen for volume changes, its own or others'.
  return volume && SUCCEEDED(volume->SetMasterVolumeLevelScalar(level, nullptr));
}

}  // namespace

std::unique_ptr<RenderEndpoints> Win32AudioEndpoints::OpenActiveRenderEndpoints() {
  auto endpoints = std::make_unique<Win32RenderEndpoints>();
  if (!endpoints->Open()) return nullptr;
  return endpoints;
}

}  // namespace quendal
