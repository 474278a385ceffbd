// The error a failed file-system operation raises inside an event handler.
// It carries the operating system's error number of the failure, which is
// what the windows' exception handlers look at; its message is "I/O error N".
#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// Error numbers the windows raise themselves.
inline constexpr int kIoAccessDenied = 5; // a folder that cannot be listed
inline constexpr int kIoNotReady = 21;    // a volume without a readable medium

class io_error : public std::runtime_error {
  public:
    explicit io_error(int code)
        : std::runtime_error("I/O error " + std::to_string(code)), code_(code) {}
    int code() const { return code_; }

  private:
    int code_;
};

} // namespace platform
