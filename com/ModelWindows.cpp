// What the layer adds to the system's component object model on Windows.
#include "com/Com.h"

#include <atomic>
#include <new>

namespace vexo::com {

void ResetExcepInfo(EXCEPINFO* e) { *e = EXCEPINFO{}; }

void PublishErrorInfo(const IID& iid, const std::string& source, const std::string& description) {
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create)) || !create) return;
    BSTR s = BstrFromUtf8(source), d = BstrFromUtf8(description);
    create->SetGUID(iid);
    create->SetSource(s);
    create->SetDescription(d);
    SysFreeString(s);
    SysFreeString(d);
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info))) && info) {
        SetErrorInfo(0, info);
        info->Release();
    }
    create->Release();
}

void ClearErrorInfo() { SetErrorInfo(0, nullptr); }

namespace {

// A tear-off: made when asked for, it keeps its owner alive and hands every
// other interface (IUnknown included, for identity) back to the owner.
class ErrorInfoSupport final : public ISupportErrorInfo {
public:
    ErrorInfoSupport(IUnknown* owner, const IID& iid) : owner_(owner), iid_(iid) { owner_->AddRef(); }
    ~ErrorInfoSupport() { owner_->Release(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_ISupportErrorInfo) {
            *ppv = static_cast<ISupportErrorInfo*>(this);
            AddRef();
            return S_OK;
        }
        return owner_->QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return riid == iid_ || riid == IID_IDispatch ? S_OK : S_FALSE;
    }

private:
    IUnknown* owner_;
    IID iid_;
    std::atomic<ULONG> refs_{1};
};

}  // namespace

bool QueryErrorInfoSupport(IUnknown* owner, const IID& iid, const IID& riid, void** ppv) {
    if (!(riid == IID_ISupportErrorInfo)) return false;
    *ppv = new (std::nothrow) ErrorInfoSupport(owner, iid);
    return *ppv != nullptr;
}

}  // namespace vexo::com
