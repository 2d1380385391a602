// A screen reader in a process of its own, for the Win32 tests: reads the
// client object of the window whose handle it is given (in decimal), as a
// reader does, and asks every part for its default action. One line per
// part, in the reader's order: its name, "unavailable" or "available", and
// the answer to accDoDefaultAction in hex.
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Narrow(BSTR text) {
    std::string out;
    if (text)
        for (const wchar_t* c = text; *c; ++c) out += *c < 128 ? static_cast<char>(*c) : '?';
    ::SysFreeString(text);
    return out;
}

void Report(IAccessible* object, VARIANT child) {
    BSTR name = nullptr;
    VARIANT state;
    ::VariantInit(&state);
    object->get_accName(child, &name);
    object->get_accState(child, &state);
    const bool unavailable = state.vt == VT_I4 && (state.lVal & STATE_SYSTEM_UNAVAILABLE);
    const HRESULT pressed = object->accDoDefaultAction(child);
    std::printf("%s %s %08lx\n", Narrow(name).c_str(), unavailable ? "unavailable" : "available",
                static_cast<unsigned long>(pressed));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtoll(argv[1], nullptr, 10)));
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccessible* client = nullptr;
    // The compiler's id of the interface: the import library's is a thunk.
    if (FAILED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                            reinterpret_cast<void**>(&client))))
        return 1;
    long count = 0;
    client->get_accChildCount(&count);
    std::vector<VARIANT> children(static_cast<size_t>(count));
    long got = 0;
    ::AccessibleChildren(client, 0, count, children.data(), &got);
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    for (long i = 0; i < got; ++i) {
        VARIANT& v = children[static_cast<size_t>(i)];
        if (v.vt == VT_DISPATCH) {
            IAccessible* own = nullptr;
            v.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&own));
            if (own) {
                Report(own, self);
                own->Release();
            }
        } else {
            Report(client, v);
        }
        ::VariantClear(&v);
    }
    client->Release();
    std::fflush(stdout);
    ::CoUninitialize();
    return 0;
}
