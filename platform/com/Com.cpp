// GUID text forms and per-thread initialisation.
#include "platform/com/Com.h"

#include <array>

namespace os {

namespace {

// Apartment initialisations of the calling thread.
thread_local int initCount = 0;

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads `digits` hex digits at text[pos]; false when one is not a hex digit.
bool ReadHex(std::u16string_view text, std::size_t pos, int digits, std::uint64_t* value) {
  std::uint64_t v = 0;
  for (int i = 0; i < digits; ++i) {
    const int d = HexValue(text[pos + i]);
    if (d < 0) return false;
    v = (v << 4) | static_cast<std::uint64_t>(d);
  }
  *value = v;
  return true;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
bool ParseGuid(std::u16string_view text, GUID* guid) {
  if (text.size() != 38 || text.front() != u'{' || text.back() != u'}') return false;
  if (text[9] != u'-' || text[14] != u'-' || text[19] != u'-' || text[24] != u'-') return false;
  std::uint64_t v = 0;
  GUID g;
  if (!ReadHex(text, 1, 8, &v)) return false;
  g.Data1 = static_cast<std::uint32_t>(v);
  if (!ReadHex(text, 10, 4, &v)) return false;
  g.Data2 = static_cast<std::uint16_t>(v);
  if (!ReadHex(text, 15, 4, &v)) return false;
  g.Data3 = static_cast<std::uint16_t>(v);
  static constexpr std::array<std::size_t, 8> kBytes{20, 22, 25, 27, 29, 31, 33, 35};
  for (std::size_t i = 0; i < kBytes.size(); ++i) {
    if (!ReadHex(text, kBytes[i], 2, &v)) return false;
    g.Data4[i] = static_cast<std::uint8_t>(v);
  }
  *guid = g;
  return true;
}

char16_t HexDigit(unsigned v) { return static_cast<char16_t>(v < 10 ? u'0' + v : u'A' + (v - 10)); }

void AppendHex(std::u16string& out, std::uint64_t value, int digits) {
  for (int i = digits - 1; i >= 0; --i)
    out.push_back(HexDigit(static_cast<unsigned>((value >> (i * 4)) & 0xF)));
}

}  // namespace

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
  if (!clsid) return E_INVALIDARG;
  *clsid = CLSID_NULL;
  if (!text) return CO_E_CLASSSTRING;
  const std::u16string_view view(text);
  if (!view.empty() && view.front() == u'{') return ParseGuid(view, clsid) ? S_OK : CO_E_CLASSSTRING;
  return SUCCEEDED(CLSIDFromProgID(text, clsid)) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT IIDFromString(LPCOLESTR text, IID* iid) {
  if (!iid) return E_INVALIDARG;
  *iid = IID_NULL;
  if (!text) return S_OK;  // as on Windows: a null text is IID_NULL
  return ParseGuid(text, iid) ? S_OK : E_INVALIDARG;
}

std::u16string StringFromGUID(REFGUID guid) {
  std::u16string out;
  out.reserve(38);
  out.push_back(u'{');
  AppendHex(out, guid.Data1, 8);
  out.push_back(u'-');
  AppendHex(out, guid.Data2, 4);
  out.push_back(u'-');
  AppendHex(out, guid.Data3, 4);
  out.push_back(u'-');
  AppendHex(out, guid.Data4[0], 2);
  AppendHex(out, guid.Data4[1], 2);
  out.push_back(u'-');
  for (int i = 2; i < 8; ++i) AppendHex(out, guid.Data4[i], 2);
  out.push_back(u'}');
  return out;
}

int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity) {
  const std::u16string text = StringFromGUID(guid);
  if (!buffer || capacity < static_cast<int>(text.size()) + 1) return 0;
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = u'\0';
  return static_cast<int>(text.size()) + 1;
}

HRESULT CoInitialize(void* reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(void*, DWORD) { return initCount++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (initCount > 0) --initCount;
}

namespace internal {
bool ComInitializedOnThisThread() { return initCount > 0; }
}  // namespace internal

}  // namespace os
