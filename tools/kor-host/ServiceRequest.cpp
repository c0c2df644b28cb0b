#include "tools/kor-host/ServiceRequest.h"

#include <utility>

namespace kor::korhost {

hostkit::HostAnswer ErrorAnswer(std::string message, uint32_t status) {
    hostkit::HostAnswer answer;
    answer.error = std::move(message);
    answer.status = status;
    return answer;
}

hostkit::HostAnswer ValueAnswer(hostkit::HostValue value, uint32_t status) {
    hostkit::HostAnswer answer;
    answer.value = std::move(value);
    answer.status = status;
    return answer;
}

}  // namespace kor::korhost
