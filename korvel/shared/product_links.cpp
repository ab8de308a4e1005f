#include "korvel/shared/product_links.h"

#include <shellapi.h>

namespace korvel {

std::wstring SiteAddress() { return std::wstring(L"http://") + kProductHost + L"/"; }

std::wstring DownloadAddress() { return SiteAddress() + L"redir.php?page=logons"; }

std::wstring FeedbackAddress() {
  return std::wstring(L"mailto:") + kFeedbackAddress + L"?subject=Korvel%202.0";
}

void ShellLinkOpener::Open(const std::wstring& address) {
  ShellExecuteW(owner_, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace korvel
