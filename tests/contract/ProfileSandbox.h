#pragma once
#include <memory>
#include <string>

#include "platform/Profile.h"

// The profile implementation of this build, and a fresh path for a profile
// file in a temporary folder (the file does not exist yet).
std::unique_ptr<platform::Profile> MakeProfile();
std::string FreshProfilePath(const std::string& name);
std::string ReadWholeFile(const std::string& path);
