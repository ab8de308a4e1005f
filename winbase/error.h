// The exception base of the programs: a message for the user in wide text.
#pragma once
#include <stdexcept>
#include <string>

namespace winbase {

// what() holds the message in UTF-8 for code that only knows std::exception.
class Error : public std::runtime_error {
 public:
  explicit Error(std::wstring message);
  const std::wstring& Message() const noexcept { return message_; }

 private:
  std::wstring message_;
};

}  // namespace winbase
