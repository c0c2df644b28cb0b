#pragma once

#include <string>
#include <string_view>

#include "tools/hostkit/ResponseHolder.h"
#include "tools/kor-host/HttpStatus.h"

namespace kor::korhost {

// One call into the plug-in as the host received it.
struct CallRequest {
    std::string method;           // "GET", "PATCH", ...
    std::string url;              // path with its query, as received
    hostkit::HeaderList headers;  // lower-cased by the request builder
    std::string contentType;      // of the body, passed on as it came
    std::string body;             // empty: no body
};

// What the host sends back for a call: an HTTP status, a content type and
// the body bytes, with the response's headers.
struct CallAnswer {
    int status = kOk;
    std::string contentType = "application/json";
    std::string body;
    hostkit::HeaderList headers;
};

// The answer for a response record the plug-in filled:
// - failed: the record's status (400 when it set none: the call could not be
//   bound or decoded, which is the caller's fault), with the body
//   {"status": N, "message": error text};
// - a stream: its bytes, with the record's "content-type" header or
//   "application/octet-stream"; a stream that fails part-way answers 502;
// - otherwise the value as JSON (the empty value as null) with the record's
//   status, 200 when it set none;
// - a value or header list that cannot be read answers 502: the plug-in's
//   answer was broken, not the request.
// The record's headers are passed on. The record is not released here.
CallAnswer AnswerOf(hostkit::ResponseHolder& response);

// {"status": N, "message": text} with status N.
CallAnswer ErrorCallAnswer(int status, std::string_view message);

}  // namespace kor::korhost
