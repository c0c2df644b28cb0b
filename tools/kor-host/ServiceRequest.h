#pragma once

#include <optional>
#include <string>

#include "tools/hostkit/HostAnswer.h"
#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/Outcome.h"
#include "tools/kor-host/HttpStatus.h"

namespace kor::korhost {

// One request of the plug-in on a host resource, read out of its request
// record: the method text, the URL split at "?", and the one parameter the
// plug-in sends (its first argument), when there is one.
struct ServiceRequest {
    std::string method;
    std::string path;
    std::string query;
    std::optional<hostkit::HostValue> parameter;
};

// The answer of a failed request: the error text and its status.
hostkit::HostAnswer ErrorAnswer(std::string message, uint32_t status);
// The answer of a successful request.
hostkit::HostAnswer ValueAnswer(hostkit::HostValue value, uint32_t status = kOk);

}  // namespace kor::korhost
