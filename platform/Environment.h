#pragma once
// The environment variables an expandable string (REG_EXPAND_SZ) names, as
// the system expands them when it reads the value: %SystemRoot%,
// %ProgramFiles%, %USERPROFILE%, ...
#include <map>
#include <string>
#include <string_view>

namespace platform {

// Names compare without regard to the case of ASCII letters, as the
// system's do.
struct VariableNameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};
using Variables = std::map<std::string, std::string, VariableNameLess>;

class Environment {
public:
    virtual ~Environment() = default;
    // Every account's: the system's variables and well-known folders, as a
    // 64-bit program sees them; nothing of any one user.
    virtual Variables SystemVariables() = 0;
    // The current user's environment as their logon makes it: the system's
    // variables with the user's own over them.
    virtual Variables UserVariables() = 0;
};

// The text with each %NAME% replaced by its value, as the system expands
// it: a name the table does not hold stays as written (its first % is a
// plain character, and the search for a name goes on from the next one),
// and a % with no name after it ("%%", a lone %) is a plain character.
// False when a %NAME% was left so.
bool ExpandVariables(std::string_view text, const Variables& variables, std::string* expanded);

}  // namespace platform
