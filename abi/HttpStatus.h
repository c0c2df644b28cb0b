#pragma once

#include <cstdint>

namespace kor::http {

// The statuses answered across the boundary, in both directions: by the
// plug-in's router and requests, and by a host and its services.
inline constexpr uint32_t kOk = 200;
inline constexpr uint32_t kNotModified = 304;
inline constexpr uint32_t kBadRequest = 400;
inline constexpr uint32_t kUnauthorized = 401;
inline constexpr uint32_t kNotFound = 404;
inline constexpr uint32_t kMethodNotAllowed = 405;
inline constexpr uint32_t kServerError = 500;
// Statuses from this one up report a failed request.
inline constexpr uint32_t kFirstErrorStatus = 400;

}  // namespace kor::http
