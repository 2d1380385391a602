// What ships: the program's manifest and version, from the built exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/WideText.h"
#include "win32/app_test_support.h"

namespace {

std::string BuiltProgram() { return app_test::ModuleFolder() + "\\..\\varnholt.exe"; }

TEST(Release, TheManifestAsksForTheHighestRightsAndCarriesTheVersion) {
    HMODULE exe = ::LoadLibraryExW(platform::win32::Wide(BuiltProgram()).c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(exe, nullptr);
    HRSRC found = ::FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(exe, found)));
    const std::string manifest(bytes, ::SizeofResource(exe, found));
    ::FreeLibrary(exe);
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"highestAvailable\" uiAccess=\"false\"/>"),
              std::string::npos);
    EXPECT_NE(manifest.find("name=\"Varnholt\" version=\"" VH_VERSION ".0\""), std::string::npos);
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
