#include "platform/com/HtmlDocument.h"

#include <algorithm>
#include <optional>

namespace os {

namespace {

char16_t LowerAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}
char16_t UpperAscii(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

bool NamesMatch(std::u16string_view a, std::u16string_view b, LONG flags) {
  return (flags & 1) ? a == b : EqualNoCase(a, b);
}

HRESULT PutText(BSTR* out, std::u16string_view text) {
  if (!out) return E_POINTER;
  *out = BSTR(text);
  return S_OK;
}

}  // namespace

// ---------------------------------------------------------------------------
ComPtr<HtmlElement> HtmlElement::Create(HtmlElementInfo info) {
  return ComPtr<HtmlElement>::Adopt(new HtmlElement(std::move(info)));
}

HRESULT HtmlElement::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (AnswerInterface<IUnknown>(riid, this, object) || AnswerInterface<IDispatch>(riid, this, object) ||
      AnswerInterface<IHTMLElement>(riid, this, object)) {
    return S_OK;
  }
  return E_NOINTERFACE;
}

const std::u16string* HtmlElement::Attribute(std::u16string_view name) const {
  for (const auto& [key, value] : info_.attributes) {
    if (EqualNoCase(key, name)) return &value;
  }
  return nullptr;
}

HRESULT HtmlElement::setAttribute(const BSTR& name, VARIANT value, LONG flags) {
  if (name.empty()) return E_INVALIDARG;
  std::u16string text;
  if (auto s = VariantString(&value)) {
    text = *s;
  } else if (auto n = VariantInteger(&value)) {
    const std::string digits = std::to_string(*n);
    text.assign(digits.begin(), digits.end());
  } else if (const VARIANT* v = VariantTarget(&value); v && v->vt == VT_BOOL) {
    text = v->boolVal ? u"true" : u"false";
  } else {
    return DISP_E_TYPEMISMATCH;
  }
  for (auto& [key, existing] : info_.attributes) {
    if (NamesMatch(key, name, flags)) {
      existing = std::move(text);
      return S_OK;
    }
  }
  info_.attributes.emplace_back(name.str(), std::move(text));
  return S_OK;
}

HRESULT HtmlElement::getAttribute(const BSTR& name, LONG flags, VARIANT* value) {
  if (!value) return E_POINTER;
  for (const auto& [key, text] : info_.attributes) {
    if (NamesMatch(key, name, flags)) {
      *value = VARIANT::String(text);
      return S_OK;
    }
  }
  *value = VARIANT::Null();
  return S_OK;
}

HRESULT HtmlElement::removeAttribute(const BSTR& name, LONG flags, VARIANT_BOOL* removed) {
  if (!removed) return E_POINTER;
  auto it = std::find_if(info_.attributes.begin(), info_.attributes.end(),
                         [&](const auto& a) { return NamesMatch(a.first, name, flags); });
  *removed = it != info_.attributes.end() ? VARIANT_TRUE : VARIANT_FALSE;
  if (it != info_.attributes.end()) info_.attributes.erase(it);
  return S_OK;
}

HRESULT HtmlElement::get_className(BSTR* name) {
  const std::u16string* v = Attribute(u"class");
  return PutText(name, v ? *v : std::u16string());
}

HRESULT HtmlElement::get_id(BSTR* id) {
  const std::u16string* v = Attribute(u"id");
  return PutText(id, v ? *v : std::u16string());
}

HRESULT HtmlElement::get_tagName(BSTR* tag) {
  std::u16string upper = info_.tagName;
  std::transform(upper.begin(), upper.end(), upper.begin(), UpperAscii);
  return PutText(tag, upper);
}

HRESULT HtmlElement::get_innerText(BSTR* text) { return PutText(text, info_.Text()); }

// ---------------------------------------------------------------------------
ComPtr<HtmlElementCollection> HtmlElementCollection::Create(std::vector<ComPtr<HtmlElement>> elements) {
  return ComPtr<HtmlElementCollection>::Adopt(new HtmlElementCollection(std::move(elements)));
}

HRESULT HtmlElementCollection::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (AnswerInterface<IUnknown>(riid, this, object) || AnswerInterface<IDispatch>(riid, this, object) ||
      AnswerInterface<IHTMLElementCollection>(riid, this, object)) {
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT HtmlElementCollection::get_length(LONG* length) {
  if (!length) return E_POINTER;
  *length = static_cast<LONG>(elements_.size());
  return S_OK;
}

HRESULT HtmlElementCollection::item(VARIANT name, VARIANT index, IDispatch** element) {
  if (!element) return E_POINTER;
  *element = nullptr;
  // A number as name is an index; so is the index when no name is given.
  std::optional<LONG> position = VariantInteger(&name);
  if (!position && VariantIsMissing(&name)) position = VariantInteger(&index);
  if (position) {
    if (*position < 0 || static_cast<std::size_t>(*position) >= elements_.size()) return E_INVALIDARG;
    *element = elements_[static_cast<std::size_t>(*position)].get();
    (*element)->AddRef();
    return S_OK;
  }
  auto key = VariantString(&name);
  if (!key) return E_INVALIDARG;
  std::vector<ComPtr<HtmlElement>> matches;
  for (const auto& e : elements_) {
    const std::u16string* id = e->Attribute(u"id");
    const std::u16string* n = e->Attribute(u"name");
    if ((id && *id == *key) || (n && *n == *key)) matches.push_back(e);
  }
  if (auto which = VariantInteger(&index)) {
    if (*which < 0 || static_cast<std::size_t>(*which) >= matches.size()) return S_OK;
    *element = matches[static_cast<std::size_t>(*which)].get();
    (*element)->AddRef();
    return S_OK;
  }
  if (matches.empty()) return S_OK;
  if (matches.size() == 1) {
    *element = matches.front().detach();
    return S_OK;
  }
  *element = Create(std::move(matches)).detach();
  return S_OK;
}

HRESULT HtmlElementCollection::tags(VARIANT tagName, IDispatch** collection) {
  if (!collection) return E_POINTER;
  *collection = nullptr;
  auto tag = VariantString(&tagName);
  if (!tag) return E_INVALIDARG;
  std::vector<ComPtr<HtmlElement>> matches;
  for (const auto& e : elements_) {
    if (EqualNoCase(e->Info().tagName, *tag)) matches.push_back(e);
  }
  *collection = Create(std::move(matches)).detach();
  return S_OK;
}

// ---------------------------------------------------------------------------
ComPtr<HtmlDocument> HtmlDocument::Create(std::u16string url, std::shared_ptr<UiHandlerSink> sink) {
  return ComPtr<HtmlDocument>::Adopt(new HtmlDocument(std::move(url), std::move(sink)));
}

HRESULT HtmlDocument::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  IHTMLDocument2* document = this;
  if (AnswerInterface<IUnknown>(riid, document, object) ||
      AnswerInterface<IDispatch>(riid, document, object) ||
      AnswerInterface<IHTMLDocument2>(riid, document, object) ||
      AnswerInterface<ICustomDoc>(riid, static_cast<ICustomDoc*>(this), object)) {
    return S_OK;
  }
  if (riid == IID_IHTMLDocument) {
    document->AddRef();
    *object = document;
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT HtmlDocument::get_all(IHTMLElementCollection** all) {
  if (!all) return E_POINTER;
  *all = HtmlElementCollection::Create(elements_).detach();
  return S_OK;
}

HRESULT HtmlDocument::get_body(IHTMLElement** body) {
  if (!body) return E_POINTER;
  *body = nullptr;
  for (const auto& e : elements_) {
    if (EqualNoCase(e->Info().tagName, u"body")) {
      *body = e.get();
      e->AddRef();
      break;
    }
  }
  return S_OK;
}

HRESULT HtmlDocument::get_title(BSTR* title) { return PutText(title, title_); }

HRESULT HtmlDocument::put_title(const BSTR& title) {
  title_ = title.str();
  return S_OK;
}

HRESULT HtmlDocument::get_URL(BSTR* url) { return PutText(url, url_); }

HRESULT HtmlDocument::get_readyState(BSTR* state) {
  return PutText(state, complete_ ? u"complete" : u"loading");
}

HRESULT HtmlDocument::SetUIHandler(IDocHostUIHandler* handler) {
  if (!sink_ || !*sink_) return E_UNEXPECTED;
  (*sink_)(handler);
  return S_OK;
}

void HtmlDocument::Fill(std::u16string url, DocumentContent content) {
  url_ = std::move(url);
  title_ = std::move(content.title);
  elements_.clear();
  elements_.reserve(content.elements.size());
  for (HtmlElementInfo& info : content.elements) elements_.push_back(HtmlElement::Create(std::move(info)));
  complete_ = true;
}

}  // namespace os
