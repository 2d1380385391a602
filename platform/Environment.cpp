#include "platform/Environment.h"

#include <algorithm>

namespace platform {

bool VariableNameLess::operator()(std::string_view a, std::string_view b) const {
    const auto fold = [](char c) { return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return fold(x) < fold(y); });
}

bool ExpandVariables(std::string_view text, const Variables& variables, std::string* expanded) {
    expanded->clear();
    bool whole = true;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t percent = text.find('%', at);
        expanded->append(text.substr(at, percent - at));
        if (percent == std::string_view::npos) break;
        const std::size_t close = text.find('%', percent + 1);
        if (close != std::string_view::npos && close > percent + 1) {
            const auto found = variables.find(text.substr(percent + 1, close - percent - 1));
            if (found != variables.end()) {
                expanded->append(found->second);
                at = close + 1;
                continue;
            }
            whole = false;
        }
        expanded->push_back('%');
        at = percent + 1;
    }
    return whole;
}

}  // namespace platform
