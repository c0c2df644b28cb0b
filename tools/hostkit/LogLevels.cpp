#include "tools/hostkit/LogLevels.h"

namespace kor::hostkit {

std::string_view LogLevelName(int32_t level) {
    switch (level) {
        case 0:
            return "  OKAY";
        case 1:
            return "  WARN";
        case 2:
            return " ERROR";
        case 3:
            return "ALWAYS";
        default:
            return "     ?";
    }
}

}  // namespace kor::hostkit
