#include "bramlow/actions/entries/registry_root.h"

#include <iterator>

#include "bramlow/text/registry_text.h"

namespace bramlow {

HKEY RootFromName(const std::wstring& name) {
  // In the order of kRegistryRootNames.
  static const HKEY roots[] = {HKEY_CLASSES_ROOT,     HKEY_LOCAL_MACHINE,  HKEY_USERS,
                               HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};
  static_assert(std::size(roots) == kRegistryRootNames.size());
  const auto index = RegistryRootIndex(name);
  return index ? roots[*index] : HKEY_CURRENT_USER;
}

}  // namespace bramlow
