// The document model a browser hands to its host: an HTML document over the
// elements an engine read from a page (IHTMLDocument2, IHTMLElementCollection,
// IHTMLElement), and the host's UI handler through ICustomDoc. Engines fill
// it from a DocumentContent; nothing here parses HTML.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/BrowserEngine.h"
#include "platform/com/WebBrowser.h"

namespace os {

class HtmlElement final : public NoAutomation<IHTMLElement> {
 public:
  static ComPtr<HtmlElement> Create(HtmlElementInfo info);

  HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) override;
  ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  ULONG OS_STDCALL Release() override { return refs_.Release(this); }

  HRESULT OS_STDCALL setAttribute(const BSTR& name, VARIANT value, LONG flags) override;
  HRESULT OS_STDCALL getAttribute(const BSTR& name, LONG flags, VARIANT* value) override;
  HRESULT OS_STDCALL removeAttribute(const BSTR& name, LONG flags, VARIANT_BOOL* removed) override;
  HRESULT OS_STDCALL get_className(BSTR* name) override;
  HRESULT OS_STDCALL get_id(BSTR* id) override;
  HRESULT OS_STDCALL get_tagName(BSTR* tag) override;
  HRESULT OS_STDCALL get_innerText(BSTR* text) override;

  // The attribute's value (names compare without regard to case); nullptr
  // when absent.
  const std::u16string* Attribute(std::u16string_view name) const;
  const HtmlElementInfo& Info() const { return info_; }

 private:
  explicit HtmlElement(HtmlElementInfo info) : info_(std::move(info)) {}
  ~HtmlElement() = default;
  friend class os::RefCount;

  RefCount refs_;
  HtmlElementInfo info_;
};

class HtmlElementCollection final : public NoAutomation<IHTMLElementCollection> {
 public:
  static ComPtr<HtmlElementCollection> Create(std::vector<ComPtr<HtmlElement>> elements);

  HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) override;
  ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  ULONG OS_STDCALL Release() override { return refs_.Release(this); }

  HRESULT OS_STDCALL get_length(LONG* length) override;
  HRESULT OS_STDCALL item(VARIANT name, VARIANT index, IDispatch** element) override;
  HRESULT OS_STDCALL tags(VARIANT tagName, IDispatch** collection) override;

 private:
  explicit HtmlElementCollection(std::vector<ComPtr<HtmlElement>> elements)
      : elements_(std::move(elements)) {}
  ~HtmlElementCollection() = default;
  friend class os::RefCount;

  RefCount refs_;
  std::vector<ComPtr<HtmlElement>> elements_;
};

class HtmlDocument final : public NoAutomation<IHTMLDocument2>, public ICustomDoc {
 public:
  // Receives the handler a host gives any document of the browser; it
  // belongs to the browser, which empties it when it closes or goes.
  using UiHandlerSink = std::function<void(IDocHostUIHandler*)>;

  // A document still loading: no elements, readyState "loading".
  static ComPtr<HtmlDocument> Create(std::u16string url, std::shared_ptr<UiHandlerSink> sink);

  HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) override;
  ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  ULONG OS_STDCALL Release() override { return refs_.Release(this); }

  HRESULT OS_STDCALL get_all(IHTMLElementCollection** all) override;
  HRESULT OS_STDCALL get_body(IHTMLElement** body) override;
  HRESULT OS_STDCALL get_title(BSTR* title) override;
  HRESULT OS_STDCALL put_title(const BSTR& title) override;
  HRESULT OS_STDCALL get_URL(BSTR* url) override;
  HRESULT OS_STDCALL get_readyState(BSTR* state) override;

  // E_UNEXPECTED once the browser is closed or gone.
  HRESULT OS_STDCALL SetUIHandler(IDocHostUIHandler* handler) override;

  // The page is complete: its elements and title replace what was there.
  void Fill(std::u16string url, DocumentContent content);
  bool Complete() const { return complete_; }
  const std::u16string& Url() const { return url_; }
  const std::u16string& Title() const { return title_; }

 private:
  HtmlDocument(std::u16string url, std::shared_ptr<UiHandlerSink> sink)
      : url_(std::move(url)), sink_(std::move(sink)) {}
  ~HtmlDocument() = default;
  friend class os::RefCount;

  RefCount refs_;
  std::u16string url_;
  std::u16string title_;
  bool complete_ = false;
  std::vector<ComPtr<HtmlElement>> elements_;
  std::shared_ptr<UiHandlerSink> sink_;
};

}  // namespace os
