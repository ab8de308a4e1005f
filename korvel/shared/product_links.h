// The product's web site, download page and feedback address, and how they are opened.
#pragma once
#include <windows.h>

#include <string>

namespace korvel {

// The product's endpoints live here and nowhere else.
inline constexpr wchar_t kProductHost[] = L"korvel.example.org";
inline constexpr wchar_t kFeedbackAddress[] = L"feedback@korvel.example.org";

std::wstring SiteAddress();       // the home page
std::wstring DownloadAddress();   // the download page: "redir.php?page=logons"
std::wstring FeedbackAddress();   // "mailto:" link with the subject Korvel 2.0

class ILinkOpener {
 public:
  virtual ~ILinkOpener() = default;
  virtual void Open(const std::wstring& address) = 0;
};

// Opens with the shell (verb "open"); a failure is not reported.
class ShellLinkOpener : public ILinkOpener {
 public:
  explicit ShellLinkOpener(HWND owner) : owner_(owner) {}
  void Open(const std::wstring& address) override;

 private:
  HWND owner_;
};

}  // namespace korvel
