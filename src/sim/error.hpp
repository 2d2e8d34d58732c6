// The one exception type of the core: every error the system reports to a user.
#pragma once

#include <stdexcept>
#include <string>

namespace murelta {

// Thrown for every failure a user should be told about; the message is shown as it stands.
class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace murelta
