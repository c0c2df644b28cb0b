#pragma once

namespace kor::hostkit::testing {

// GoogleTest compares through references, and a reference must not bind to
// a field of a packed record, which may sit at an unaligned address; this
// copies the field first.
template <class T>
T Unpacked(T value) {
    return value;
}

}  // namespace kor::hostkit::testing
