// Object identity and the factory wrapper for classes written in C++: the
// same on every system, since they only call through interfaces.
#include "platform/com/Com.h"

#include <utility>

namespace os {

namespace {

// A factory whose objects come from a C++ creation function.
class FunctionClassFactory final : public IClassFactory {
 public:
  explicit FunctionClassFactory(ObjectCreator create) : create_(std::move(create)) {}

  HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (AnswerInterface<IUnknown>(riid, this, object) || AnswerInterface<IClassFactory>(riid, this, object)) {
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  ULONG OS_STDCALL Release() override { return refs_.Release(this); }

  HRESULT OS_STDCALL CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!create_) return E_UNEXPECTED;
    return create_(riid, object);
  }
  HRESULT OS_STDCALL LockServer(BOOL) override { return S_OK; }

 private:
  ~FunctionClassFactory() = default;
  friend class os::RefCount;

  RefCount refs_;
  ObjectCreator create_;
};

}  // namespace

bool IsSameObject(IUnknown* a, IUnknown* b) {
  if (!a || !b) return a == b;
  ComPtr<IUnknown> ua, ub;
  if (FAILED(a->QueryInterface(IID_IUnknown, ua.put_void()))) return false;
  if (FAILED(b->QueryInterface(IID_IUnknown, ub.put_void()))) return false;
  return ua.get() == ub.get();
}

ComPtr<IClassFactory> MakeClassFactory(ObjectCreator create) {
  return ComPtr<IClassFactory>::Adopt(new FunctionClassFactory(std::move(create)));
}

}  // namespace os
