#include "platform/win32/Accessible.h"

#include <oleacc.h>

#include <type_traits>

#include "platform/win32/WideText.h"

namespace platform::win32 {

namespace {

// The import library's IID_IAccessible is a thunk under mingw-w64; the
// compiler's own id is the interface's.
const IID& kIAccessible = __uuidof(IAccessible);

// A child id out of a VARIANT: VT_I4 (or VT_EMPTY for the object itself);
// -1 for anything else.
long ChildId(const VARIANT& v) {
    if (v.vt == VT_I4) return v.lVal;
    if (v.vt == VT_EMPTY) return CHILDID_SELF;
    return -1;
}

HRESULT Text(const std::string& text, BSTR* out) {
    *out = nullptr;
    if (text.empty()) return S_FALSE;
    *out = ::SysAllocString(Wide(text).c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

// A child id, a role or a state.
void SetLong(VARIANT* v, long value) {
    ::VariantInit(v);
    v->vt = VT_I4;
    v->lVal = value;
}

}  // namespace

// The IAccessible itself. The window reaches it through its
// AccessibleClient; a screen reader through COM, for as long as it likes.
class AccessibleObject final : public IAccessible {
public:
    AccessibleObject(HWND window, AccessibleParts& parts) : window_(window), parts_(&parts) {}

    void Disconnect() {
        parts_ = nullptr;
        window_ = nullptr;
        // Screen readers in other processes let go of it now.
        ::CoDisconnectObject(static_cast<IAccessible*>(this), 0);
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == kIAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = ::InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: screen readers call the interface itself.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        if (!parts_) return CO_E_OBJNOTCONNECTED;
        return ::AccessibleObjectFromWindow(window_, static_cast<DWORD>(OBJID_WINDOW), __uuidof(IDispatch),
                                            reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        if (!parts_) return CO_E_OBJNOTCONNECTED;
        *count = parts_->AccessibleCount();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        AccessiblePart part;
        if (const HRESULT hr = Part(child, part, false); hr != S_OK) return hr;
        if (!part.window) return S_FALSE;  // a simple element: asked of this object
        return ::AccessibleObjectFromWindow(part.window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IDispatch),
                                            reinterpret_cast<void**>(out));
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        if (!out) return E_POINTER;
        return Ask(child, out, [](IAccessible* a, VARIANT self, BSTR* o) { return a->get_accName(self, o); },
                   [](const AccessiblePart& p, BSTR* o) { return Text(p.name, o); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        if (!out) return E_POINTER;
        return Ask(child, out, [](IAccessible* a, VARIANT self, BSTR* o) { return a->get_accValue(self, o); },
                   [](const AccessiblePart&, BSTR* o) { return Text({}, o); });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        if (!out) return E_POINTER;
        return Ask(child, out, [](IAccessible* a, VARIANT self, BSTR* o) { return a->get_accDescription(self, o); },
                   [](const AccessiblePart&, BSTR* o) { return Text({}, o); });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        if (!out) return E_POINTER;
        return Ask(child, out, [](IAccessible* a, VARIANT self, VARIANT* o) { return a->get_accRole(self, o); },
                   [](const AccessiblePart& p, VARIANT* o) {
                       SetLong(o, p.role);
                       return S_OK;
                   });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        if (!out) return E_POINTER;
        return Ask(child, out, [](IAccessible* a, VARIANT self, VARIANT* o) { return a->get_accState(self, o); },
                   [](const AccessiblePart& p, VARIANT* o) {
                       SetLong(o, p.state);
                       return S_OK;
                   });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
        if (!out) return E_POINTER;
        return Ask(child, out, [](IAccessible* a, VARIANT self, BSTR* o) { return a->get_accHelp(self, o); },
                   [](const AccessiblePart&, BSTR* o) { return Text({}, o); });
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        if (!out) return E_POINTER;
        return Ask(child, out,
                   [](IAccessible* a, VARIANT self, BSTR* o) { return a->get_accKeyboardShortcut(self, o); },
                   [](const AccessiblePart& p, BSTR* o) { return Text(p.shortcut, o); });
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        if (!out) return E_POINTER;
        return Ask(child, out,
                   [](IAccessible* a, VARIANT self, BSTR* o) { return a->get_accDefaultAction(self, o); },
                   [](const AccessiblePart& p, BSTR* o) { return Text(p.defaultAction, o); });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        if (!out) return E_POINTER;
        ::VariantInit(out);
        if (!parts_) return CO_E_OBJNOTCONNECTED;
        const int focus = parts_->AccessibleFocus();
        if (focus < 0) return S_FALSE;
        return Child(focus, out);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        if (!out) return E_POINTER;
        ::VariantInit(out);
        return parts_ ? S_FALSE : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        AccessiblePart part;
        if (const HRESULT hr = Part(child, part, true); hr != S_OK) return hr;
        if (flags != SELFLAG_TAKEFOCUS) return E_INVALIDARG;
        if (part.window ? !TakesInput(part.window) : (part.state & STATE_SYSTEM_UNAVAILABLE) != 0) return E_FAIL;
        parts_->AccessibleTakeFocus(ChildId(child));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        *left = *top = *width = *height = 0;
        AccessiblePart part;
        if (const HRESULT hr = Part(child, part, true); hr != S_OK) return hr;
        RECT r = part.bounds;
        if (part.window) {
            ::GetWindowRect(part.window, &r);
        } else {
            ::MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
        }
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* out) override {
        if (!out) return E_POINTER;
        ::VariantInit(out);
        if (!parts_) return CO_E_OBJNOTCONNECTED;
        const long from = ChildId(start);
        const int count = parts_->AccessibleCount();
        if (from < 0 || from > count) return E_INVALIDARG;
        long to = 0;
        switch (direction) {
        case NAVDIR_FIRSTCHILD: to = from == CHILDID_SELF ? 1 : 0; break;
        case NAVDIR_LASTCHILD: to = from == CHILDID_SELF ? count : 0; break;
        case NAVDIR_NEXT: to = from == CHILDID_SELF ? 0 : from + 1; break;
        case NAVDIR_PREVIOUS: to = from == CHILDID_SELF ? 0 : from - 1; break;
        default: return S_FALSE;  // the spatial directions: left to the reader
        }
        if (to < 1 || to > count) return S_FALSE;
        return Child(to, out);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
        if (!out) return E_POINTER;
        ::VariantInit(out);
        if (!parts_) return CO_E_OBJNOTCONNECTED;
        POINT p{x, y};
        ::ScreenToClient(window_, &p);
        RECT client{};
        ::GetClientRect(window_, &client);
        if (!::PtInRect(&client, p)) return S_FALSE;
        for (int child = 1; child <= parts_->AccessibleCount(); ++child) {
            const AccessiblePart part = parts_->AccessiblePartOf(child);
            RECT r = part.bounds;
            if (part.window) {
                ::GetWindowRect(part.window, &r);
                ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
            }
            if (::PtInRect(&r, p) && !(part.state & STATE_SYSTEM_INVISIBLE)) return Child(child, out);
        }
        SetLong(out, CHILDID_SELF);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        AccessiblePart part;
        if (const HRESULT hr = Part(child, part, true); hr != S_OK) return hr;
        if (part.window) {
            IAccessible* other = ChildObject(part.window);
            if (!other) return E_FAIL;
            VARIANT self;
            SetLong(&self, CHILDID_SELF);
            const HRESULT hr = other->accDoDefaultAction(self);
            other->Release();
            return hr;
        }
        if (part.defaultAction.empty()) return DISP_E_MEMBERNOTFOUND;
        // Nothing happens to what is unavailable, and the reader is told so,
        // as by a disabled push button of the system.
        if (part.state & STATE_SYSTEM_UNAVAILABLE) return E_FAIL;
        parts_->AccessibleDoDefault(ChildId(child));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~AccessibleObject() = default;

    // The part a child id names; E_INVALIDARG for no part of ours.
    HRESULT Part(const VARIANT& child, AccessiblePart& part, bool selfToo) {
        if (!parts_) return CO_E_OBJNOTCONNECTED;
        const long id = ChildId(child);
        if (id < 0 || id > parts_->AccessibleCount() || (id == CHILDID_SELF && !selfToo)) return E_INVALIDARG;
        part = parts_->AccessiblePartOf(static_cast<int>(id));
        return S_OK;
    }

    // A child's id, or the object of the child window that stands for it.
    HRESULT Child(int child, VARIANT* out) {
        if (child != CHILDID_SELF) {
            const AccessiblePart part = parts_->AccessiblePartOf(child);
            if (part.window) {
                IDispatch* object = nullptr;
                if (SUCCEEDED(::AccessibleObjectFromWindow(part.window, static_cast<DWORD>(OBJID_CLIENT),
                                                           __uuidof(IDispatch), reinterpret_cast<void**>(&object)))) {
                    out->vt = VT_DISPATCH;
                    out->pdispVal = object;
                    return S_OK;
                }
            }
        }
        SetLong(out, child);
        return S_OK;
    }

    static IAccessible* ChildObject(HWND window) {
        IAccessible* object = nullptr;
        if (FAILED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kIAccessible,
                                                reinterpret_cast<void**>(&object))))
            return nullptr;
        return object;
    }

    // A question about a part: answered from the part, or for a child
    // window by its own object.
    template <typename Out, typename Delegate, typename Own>
    HRESULT Ask(const VARIANT& child, Out* out, Delegate delegate, Own own) {
        AccessiblePart part;
        if (const HRESULT hr = Part(child, part, true); hr != S_OK) {
            if constexpr (std::is_same_v<Out, VARIANT>) ::VariantInit(out);
            else *out = nullptr;
            return hr;
        }
        if (part.window) {
            IAccessible* other = ChildObject(part.window);
            if (!other) return E_FAIL;
            VARIANT self;
            SetLong(&self, CHILDID_SELF);
            const HRESULT hr = delegate(other, self, out);
            other->Release();
            return hr;
        }
        return own(part, out);
    }

    LONG references_ = 1;
    HWND window_;
    AccessibleParts* parts_;
};

AccessibleClient::~AccessibleClient() {
    if (!object_) return;
    object_->Disconnect();
    object_->Release();
}

std::optional<LRESULT> AccessibleClient::Answer(HWND window, WPARAM wParam, LPARAM lParam) {
    // The object id travels in the low 32 bits, sign or no sign.
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return std::nullopt;
    if (!object_) object_ = new AccessibleObject(window, parts_);
    return ::LresultFromObject(kIAccessible, wParam, static_cast<IAccessible*>(object_));
}

void NotifyAccessibleFocus(HWND window, int child) { NotifyAccessible(window, EVENT_OBJECT_FOCUS, child); }

void NotifyAccessible(HWND window, DWORD event, int child) {
    if (window) ::NotifyWinEvent(event, window, OBJID_CLIENT, child);
}

bool TakesInput(HWND window) {
    for (HWND w = window; w; w = (::GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) ? ::GetParent(w) : nullptr)
        if (!::IsWindowEnabled(w)) return false;
    return window != nullptr;
}

namespace {

// Not in mingw-w64's headers: UI Automation's LiveSetting property, and
// its value Polite.
const GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr long kPolite = 1;
// The annotation service and the name property: written out here, as the
// import library's ids are thunks under mingw-w64 (as IID_IAccessible is).
const CLSID kAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
const IID kIAccPropServices = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
const GUID kNameProperty = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

// The annotation service of this thread's COM, while a window asks.
struct PropServices {
    IAccPropServices* p = nullptr;
    PropServices() {
        ::CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices,
                           reinterpret_cast<void**>(&p));
    }
    ~PropServices() {
        if (p) p->Release();
    }
    PropServices(const PropServices&) = delete;
    PropServices& operator=(const PropServices&) = delete;
};

}  // namespace

void MarkLiveRegion(HWND window, int child) {
    PropServices services;
    if (!services.p || !window) return;
    VARIANT polite;
    SetLong(&polite, kPolite);
    services.p->SetHwndProp(window, static_cast<DWORD>(OBJID_CLIENT), static_cast<DWORD>(child), kLiveSettingProperty,
                            polite);
}

void NameChildWindow(HWND window, const std::string& name) {
    if (!window) return;
    ::SetWindowTextW(window, Wide(name).c_str());
    PropServices services;
    if (services.p)
        services.p->SetHwndPropStr(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kNameProperty,
                                   Wide(name).c_str());
}

void RaiseNotification(HWND window, const std::string& text) {
    // Looked up at run time: older systems (and Wine 8) lack the call.
    using HostProvider = HRESULT(WINAPI*)(HWND, IUnknown**);
    using RaiseNotice = HRESULT(WINAPI*)(IUnknown*, int kind, int processing, BSTR text, BSTR activity);
    static const HMODULE core = ::LoadLibraryW(L"uiautomationcore.dll");
    if (!core || !window) return;
    const auto hostProvider =
        reinterpret_cast<HostProvider>(reinterpret_cast<void*>(::GetProcAddress(core, "UiaHostProviderFromHwnd")));
    const auto raise =
        reinterpret_cast<RaiseNotice>(reinterpret_cast<void*>(::GetProcAddress(core, "UiaRaiseNotificationEvent")));
    if (!hostProvider || !raise) return;
    IUnknown* provider = nullptr;
    if (FAILED(hostProvider(window, &provider)) || !provider) return;
    BSTR said = ::SysAllocString(Wide(text).c_str());
    BSTR activity = ::SysAllocString(L"Varnholt.Done");
    constexpr int kActionCompleted = 2, kImportantMostRecent = 1;
    raise(provider, kActionCompleted, kImportantMostRecent, said, activity);
    ::SysFreeString(said);
    ::SysFreeString(activity);
    provider->Release();
}

std::string WithoutAccessMarks(const std::string& caption) {
    std::string plain;
    for (size_t i = 0; i < caption.size(); ++i) {
        // A mark shows the character after it (a second mark among them).
        if (caption[i] == '&' && ++i == caption.size()) break;
        plain += caption[i];
    }
    return plain;
}

}  // namespace platform::win32
