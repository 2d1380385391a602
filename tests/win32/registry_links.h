#pragma once
// Registry links and values planted in keys of the prefix, for tests that
// walk the real registry through links. Each undoes itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Win32Registry.h"
#include "platform/win32/WideText.h"

// From ntdll: deletes the key itself, not what a link leads to.
extern "C" LONG NTAPI NtDeleteKey(HANDLE key);

namespace registry_links {

using platform::win32::Wide;

// The registry's own name of an existing key.
inline std::string RegistryName(HKEY root, const std::string& path) {
    platform::win32::Win32Registry registry;
    platform::RegHandle key = 0;
    std::string name;
    EXPECT_EQ(registry.OpenKeyEx(reinterpret_cast<platform::RegHandle>(root), path, 0, KEY_READ, &key), 0) << path;
    EXPECT_EQ(registry.KeyName(key, &name), 0);
    registry.CloseKey(key);
    return name;
}

// A link made with REG_OPTION_CREATE_LINK at `path` under `root`, leading to
// a key by the registry's own name; removed by the destructor without
// touching what it leads to.
class Link {
public:
    Link(HKEY root, const std::string& path, const std::string& targetName) {
        const std::wstring name = Wide(targetName);
        EXPECT_EQ(RegCreateKeyExW(root, Wide(path).c_str(), 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &key_, nullptr),
                  ERROR_SUCCESS)
            << path;
        EXPECT_EQ(RegSetValueExW(key_, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(name.c_str()),
                                 static_cast<DWORD>(name.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    ~Link() {
        NtDeleteKey(key_);
        RegCloseKey(key_);
    }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

private:
    HKEY key_ = nullptr;
};

// A value of the test's own put into a key of the prefix (created when it is
// missing, and then deleted again), removed when the test ends.
class PlantedValue {
public:
    PlantedValue(HKEY root, const std::string& path, const std::wstring& name, const std::wstring& text)
        : root_(root), path_(path), name_(name) {
        DWORD made = 0;
        EXPECT_EQ(RegCreateKeyExW(root, Wide(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, &made),
                  ERROR_SUCCESS)
            << path;
        created_ = made == REG_CREATED_NEW_KEY;
        EXPECT_EQ(RegSetValueExW(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    ~PlantedValue() {
        RegDeleteValueW(key_, name_.c_str());
        RegCloseKey(key_);
        if (created_) RegDeleteTreeW(root_, Wide(path_).c_str());
    }
    PlantedValue(const PlantedValue&) = delete;
    PlantedValue& operator=(const PlantedValue&) = delete;
    bool Exists() const { return RegQueryValueExW(key_, name_.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; }
    void SetNumber(const std::wstring& name, DWORD n) {
        RegSetValueExW(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof n);
    }

private:
    HKEY root_;
    std::string path_;
    std::wstring name_;
    HKEY key_ = nullptr;
    bool created_ = false;
};

}  // namespace registry_links
