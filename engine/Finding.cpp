#include "engine/Finding.h"

namespace engine {

const char* ErrorTypeText(std::int32_t lFound) {
    switch (lFound) {
    case 0: return "KEY_NAME";
    case 1: return "VALUE NAME";
    default: return "VALUE VALUE";
    }
}

}  // namespace engine
