#include "korvel/app_forms.h"

namespace korvel {

AppForms& Forms() {
  static AppForms forms;
  return forms;
}

}  // namespace korvel
