#pragma once

#include "abi/HttpStatus.h"

namespace kor::korhost {

// kor-host answers the plug-in and its HTTP clients with the boundary's
// statuses.
using http::kBadRequest;
using http::kMethodNotAllowed;
using http::kNotFound;
using http::kNotModified;
using http::kOk;
using http::kServerError;
using http::kUnauthorized;

}  // namespace kor::korhost
