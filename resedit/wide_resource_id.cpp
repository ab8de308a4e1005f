#include "wide_resource_id.h"

#include "winbase/text.h"

namespace resedit {

WideResourceId WideResourceId::From(const ResourceId& id, UINT codePage) {
  WideResourceId w;
  w.isNumber_ = id.isNumber;
  w.number_ = id.number;
  if (!id.isNumber) {
    w.text_ = winbase::Widen(id.text, codePage);
    if (!w.text_.empty()) CharUpperBuffW(w.text_.data(), static_cast<DWORD>(w.text_.size()));
  }
  return w;
}

}  // namespace resedit
