#include "winbase/error.h"

#include "winbase/text.h"

namespace winbase {

Error::Error(std::wstring message)
    : std::runtime_error(ToUtf8(message)), message_(std::move(message)) {}

}  // namespace winbase
