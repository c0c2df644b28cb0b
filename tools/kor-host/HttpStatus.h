#pragma once

#include <cstdint>

#include "abi/HttpStatus.h"

namespace kor::korhost {

// kor-host answers the plug-in and its HTTP clients with the boundary's
// statuses,
using http::kBadRequest;
using http::kFirstErrorStatus;
using http::kMethodNotAllowed;
using http::kNotFound;
using http::kNotModified;
using http::kOk;
using http::kServerError;
using http::kUnauthorized;

// and its HTTP clients with its own as well: refusals of what a request
// looks like before it reaches a route, a broken answer of the plug-in, and
// the plug-in or the server out of service.
inline constexpr uint32_t kForbidden = 403;
inline constexpr uint32_t kRequestTimeout = 408;
inline constexpr uint32_t kTooLarge = 413;
inline constexpr uint32_t kUnsupportedType = 415;
inline constexpr uint32_t kMisdirected = 421;
inline constexpr uint32_t kBadGateway = 502;
inline constexpr uint32_t kUnavailable = 503;

}  // namespace kor::korhost
