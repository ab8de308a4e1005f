// The error Korvel's handlers raise for the general error handler to show in a message box.
#pragma once

#include <string>

#include "winbase/error.h"

namespace korvel {

// Message() is the text as the user sees it.
class EKvError : public winbase::Error {
 public:
  using winbase::Error::Error;
};

}  // namespace korvel
