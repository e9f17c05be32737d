// A user-facing failure: its message is one line, printed after "tamboro: ".
#pragma once

#include <stdexcept>

namespace cli {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace cli
