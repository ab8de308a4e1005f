// A resource type or name in the form the W resource functions take.
#pragma once

#include <windows.h>

#include <string>

#include "edit_script.h"

namespace resedit {

class WideResourceId {
 public:
  // Text ids are stored upper-case, as resource compilers store them and as the loader
  // looks them up.
  static WideResourceId From(const ResourceId& id, UINT codePage);

  LPCWSTR get() const { return isNumber_ ? MAKEINTRESOURCEW(number_) : text_.c_str(); }
  std::wstring Describe() const { return isNumber_ ? std::to_wstring(number_) : text_; }
  bool operator==(const WideResourceId&) const = default;

 private:
  bool isNumber_ = false;
  WORD number_ = 0;
  std::wstring text_;
};

}  // namespace resedit
