// What ships: the program's manifest and version, from the built exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/WideText.h"
#include "win32/app_test_support.h"

namespace {

std::string BuiltProgram() { return app_test::ModuleFolder() + "\\..\\varnholt.exe"; }

// The manifest of the built program; empty when it has none.
std::string ProgramManifest() {
    HMODULE exe = ::LoadLibraryExW(platform::win32::Wide(BuiltProgram()).c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!exe) return {};
    std::string manifest;
    if (HRSRC found = ::FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(exe, found)));
        manifest.assign(bytes, ::SizeofResource(exe, found));
    }
    ::FreeLibrary(exe);
    return manifest;
}

TEST(Release, TheManifestAsksForTheHighestRightsAndCarriesTheVersion) {
    const std::string manifest = ProgramManifest();
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"highestAvailable\" uiAccess=\"false\"/>"),
              std::string::npos);
    EXPECT_NE(manifest.find("name=\"Varnholt\" version=\"" VH_VERSION ".0\""), std::string::npos);
}

// The tests carry the program's manifest, so the system reads it here as it
// reads it for the program: each window follows its own screen's density.
// (Wine tells per-monitor awareness apart from its second version by no
// more than the manifest's text.)
TEST(Release, TheManifestMakesTheProgramFollowEachScreensDensity) {
    using GetContext = HANDLE(WINAPI*)();
    using AwarenessOf = int(WINAPI*)(HANDLE);
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    const auto threadContext = reinterpret_cast<GetContext>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    const auto awarenessOf = reinterpret_cast<AwarenessOf>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    ASSERT_TRUE(threadContext && awarenessOf);
    constexpr int kPerMonitorAware = 2;  // DPI_AWARENESS_PER_MONITOR_AWARE
    EXPECT_EQ(awarenessOf(threadContext()), kPerMonitorAware);

    const std::string manifest = ProgramManifest();
    EXPECT_NE(manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                            "PerMonitorV2, PerMonitor</dpiAwareness>"),
              std::string::npos);
    EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>"),
              std::string::npos)
        << "for systems before Windows 10";
}

TEST(Release, TheFileVersionIsTheProjectVersion) {
    const std::wstring path = platform::win32::Wide(BuiltProgram());
    DWORD ignored = 0;
    std::string info(::GetFileVersionInfoSizeW(path.c_str(), &ignored), '\0');
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    const std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(numbers, VH_VERSION);
    wchar_t* text = nullptr;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\StringFileInfo\\040904b0\\ProductVersion",
                                 reinterpret_cast<void**>(&text), &size));
    EXPECT_EQ(platform::win32::Utf8(text), VH_VERSION);
}

}  // namespace
