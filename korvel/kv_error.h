// The error Korvel's handlers raise for the general error handler to show in a message box.
#pragma once

#include <stdexcept>
#include <string>

namespace korvel {

class EKvError : public std::runtime_error {
 public:
  explicit EKvError(std::wstring text);
  // The text as the user sees it.
  const std::wstring& Text() const noexcept { return text_; }

 private:
  std::wstring text_;
};

// The system's own wording for a failure code, without the trailing line break.
std::wstring SystemErrorText(unsigned long code);

}  // namespace korvel
