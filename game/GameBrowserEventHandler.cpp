#include "game/GameBrowserEventHandler.h"

#include <json/json.h>

#include <climits>

#include "platform/base/Unicode.h"
#include "platform/syscontrols/MessageBox.h"
#include "platform/system/Kernel.h"
#include "platform/window/MessageQueue.h"
#include "support/Encoding.h"
#include "support/JourneyMarks.h"
#include "support/JsonReply.h"
#include "support/PortalHosts.h"

namespace {

using os::ComPtr;
using os::FAILED;

// What the conversions of the title-bar data accept: the narrow area for
// the Base64 text and the wide area for each member.
constexpr std::size_t kBarTextCapacity = 10000;
constexpr std::size_t kBarValueCapacity = 256;

bool Contains(std::u16string_view text, std::u16string_view part) {
  return text.find(part) != std::u16string_view::npos;
}

std::u16string Origin(const std::string& host) { return os::Utf8ToUtf16("http://" + host); }

std::u16string UrlOf(void* address) {
  if (address == nullptr) return {};
  const os::VARIANT* value = *static_cast<os::VARIANT**>(address);
  return os::VariantString(value).value_or(std::u16string());
}

std::u16string StringMember(const Json::Value& object, const char* name) {
  const Json::Value& member = object[name];
  if (!member.isString()) return {};
  std::u16string wide;
  if (Utf8ToWide(member.asString(), &wide, kBarValueCapacity) < 0) return {};
  return wide;
}

}  // namespace

int ParseLeadingInt(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

GameBarData DecodeGameBar(std::u16string_view text) {
  GameBarData data;
  std::string narrow;
  if (WideToNarrow(text, &narrow, kBarTextCapacity) < 0 || narrow.empty()) return data;
  int count = 0;
  std::string bytes = Base64Decode(narrow, static_cast<int>(narrow.size()) + 1, count);
  if (const std::size_t zero = bytes.find('\0'); zero != std::string::npos) bytes.resize(zero);

  Json::Value root;
  if (!ParseJsonObject(bytes, root)) return data;
  data.serverName = StringMember(root, "ServerName");
  data.announcement = StringMember(root, "Announcement");
  data.announcementUrl = StringMember(root, "AnnouncementURL");
  data.moreUrl = StringMember(root, "MoreURL");
  data.chargeUrl = StringMember(root, "ChargeURL");
  return data;
}

GameBrowserEventHandler::GameBrowserEventHandler(os::HWND window, Kesto::CWebBrowserUI* browser)
    : window_(window), browser_(browser) {}

void GameBrowserEventHandler::BeforeNavigate2(os::IDispatch*, void* url, void*, void*, void*, void*,
                                              void* cancel) {
  const std::u16string address = UrlOf(url);
  os::OutputDebugString(address);
  const PortalHosts hosts = GetPortalHosts();

  if (Contains(address, u"sizeble=true&full=true") && Contains(address, Origin(hosts.api) + u"/client")) {
    os::PostMessage(window_, WM_GAME_SET_SIZABLE, GAME_FLAG_ON, 0);
    os::PostMessage(window_, WM_GAME_SET_FULL, GAME_FLAG_ON, 0);
  }

  if (Contains(address, Origin(hosts.game)) && Contains(address, u"sid=") && Contains(address, u"sign=") &&
      Contains(address, u"uid=") && !Contains(address, u"version=morvaine")) {
    journey::Mark(journey::kServerClick);
    if (cancel != nullptr) {
      if (os::VARIANT_BOOL* flag = *static_cast<os::VARIANT_BOOL**>(cancel)) *flag = os::VARIANT_TRUE;
    }
    // The marked address carries the marker, so its own BeforeNavigate2
    // lets it through.
    if (browser_ != nullptr) browser_->Navigate(address + u"&version=morvaine");
  }
}

void GameBrowserEventHandler::DocumentComplete(os::IDispatch* dispatch, void* url) {
  const std::u16string address = UrlOf(url);
  const PortalHosts hosts = GetPortalHosts();
  const std::u16string web = Origin(hosts.web);
  const std::u16string api = Origin(hosts.api);
  if (address.rfind(Origin(hosts.game), 0) == 0) journey::Mark(journey::kGamePage);
  if (address.rfind(web, 0) != 0 && address.rfind(api, 0) != 0) return;
  ApplyPageRules(dispatch);
}

void GameBrowserEventHandler::ApplyPageRules(os::IDispatch* dispatch) {
  if (dispatch == nullptr) return;
  ComPtr<os::IWebBrowser2> browser;
  if (FAILED(dispatch->QueryInterface(os::IID_IWebBrowser2, browser.put_void())) || !browser) return;
  ComPtr<os::IDispatch> documentDispatch;
  if (FAILED(browser->get_Document(documentDispatch.put()))) return;

  ComPtr<os::IHTMLDocument2> document;
  if (documentDispatch) documentDispatch.As(&document);
  if (!document) {
    os::MessageBox(nullptr, kOldBrowserText, kLauncherCaption, os::MB_OK);
    return;
  }

  ComPtr<os::IHTMLElementCollection> all;
  if (FAILED(document->get_all(all.put())) || !all) return;
  os::LONG length = 0;
  if (FAILED(all->get_length(&length))) return;

  for (os::LONG i = 0; i < length; ++i) {
    ComPtr<os::IDispatch> item;
    if (FAILED(all->item(os::VARIANT::Int(i), os::VARIANT::Int(i), item.put())) || !item) continue;
    ComPtr<os::IHTMLElement> element;
    if (FAILED(item.As(&element)) || !element) continue;
    os::BSTR tag;
    if (FAILED(element->get_tagName(&tag))) continue;
    std::u16string upper = tag.str();
    for (char16_t& c : upper) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    if (upper != u"META") continue;

    os::VARIANT name;
    if (FAILED(element->getAttribute(os::BSTR(u"name"), 0, &name))) continue;
    const std::optional<std::u16string> key = os::VariantString(&name);
    if (!key) continue;
    const bool known = *key == u"win-width" || *key == u"win-height" || *key == u"win-sizeble" ||
                       *key == u"win-full" || *key == u"win-bar";
    if (!known) continue;
    os::VARIANT contentValue;
    if (FAILED(element->getAttribute(os::BSTR(u"content"), 0, &contentValue))) continue;
    const std::u16string content = os::VariantString(&contentValue).value_or(std::u16string());

    if (*key == u"win-width") {
      os::PostMessage(window_, WM_GAME_SET_WIDTH, static_cast<os::WPARAM>(ParseLeadingInt(content)), 0);
    } else if (*key == u"win-height") {
      os::PostMessage(window_, WM_GAME_SET_HEIGHT, static_cast<os::WPARAM>(ParseLeadingInt(content)), 0);
    } else if (*key == u"win-sizeble") {
      os::PostMessage(window_, WM_GAME_SET_SIZABLE, content == u"true" ? GAME_FLAG_ON : GAME_FLAG_OFF, 0);
    } else if (*key == u"win-full") {
      os::PostMessage(window_, WM_GAME_SET_FULL, content == u"true" ? GAME_FLAG_ON : GAME_FLAG_OFF, 0);
    } else {
      // Sent, not posted: the text lives only during this call.
      os::SendMessage(window_, WM_GAME_SET_BAR, 0, reinterpret_cast<os::LPARAM>(content.c_str()));
    }
  }
}

os::HRESULT GameBrowserEventHandler::GetHostInfo(os::DOCHOSTUIINFO* info) {
  if (info != nullptr) {
    info->cbSize = 20;
    info->dwFlags |= kGameHostFlags;
    info->dwDoubleClick = os::DOCHOSTUIDBLCLK_DEFAULT;
  }
  return os::S_OK;
}
