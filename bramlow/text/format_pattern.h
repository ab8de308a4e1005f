#pragma once
// Language texts are patterns read from files, so they never reach a printf-family call:
// this formatter knows "%s" (the one argument) and "%%" and rejects everything else with the
// runtime's own error texts.
#include <stdexcept>
#include <string>
#include <string_view>

namespace bramlow {

// A pattern that does not fit one text argument. Message holds the complete error text.
class FormatError : public std::runtime_error {
public:
  explicit FormatError(std::wstring message);
  const std::wstring& Message() const { return message_; }

private:
  std::wstring message_;
};

// "Format '<pattern>' invalid or incompatible with argument"
std::wstring InvalidFormatMessage(std::wstring_view pattern);
// "No argument for format '<pattern>'"
std::wstring NoArgumentMessage(std::wstring_view pattern);

// Inserts arg at "%s" and a percent sign at "%%". Throws FormatError for any other use of
// "%" (a lone one at the end included) and for a second "%s".
std::wstring FormatPattern(std::wstring_view pattern, std::wstring_view arg);

// Turns every backslash + "n" (either case) into CR LF, left to right.
std::wstring ExpandLineBreaks(std::wstring_view text);

}  // namespace bramlow
