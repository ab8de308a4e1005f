// What the main window's actions do, without the window: the library list, import, delete,
// apply, restore, the links and the about text. Every message goes through the user prompt.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "korvel/apply/logon_applier.h"
#include "korvel/library/logon_importer.h"
#include "korvel/library/logon_library.h"
#include "korvel/library/logonxp_converter.h"
#include "korvel/preview/package_preview.h"
#include "korvel/shared/product_links.h"
#include "ui/user_prompt.h"

namespace korvel {

struct LogonManagerSetup {
  std::wstring workFolder;     // no trailing backslash
  std::wstring programFolder;  // with its trailing backslash
  std::wstring systemRoot;     // with its trailing backslash
  IPackageReader* reader = nullptr;
  IPackageWriter* writer = nullptr;
  IProgramRunner* runner = nullptr;
  ILinkOpener* links = nullptr;
  ui::IUserPrompt* prompt = nullptr;
  std::function<std::wstring(unsigned)> text;  // string-table lookup
  std::function<std::wstring()> caption;       // caption of every message box
};

class LogonManager {
 public:
  explicit LogonManager(LogonManagerSetup setup);

  std::vector<std::wstring> Packages() const { return library_.Packages(); }
  const LogonLibrary& Library() const { return library_; }

  // Each returns true when the list should be refilled. Every failure is reported.
  bool Import(const std::wstring& chosenFile);
  bool Delete(const std::wstring& package);
  void Apply(const std::wstring& package);
  void Restore();
  // A package the preview could not read: its own message, since nothing was applied.
  void PreviewFailed(const std::wstring& package, const PreviewRead& read);
  void About();
  void Download();
  void Site();
  void FeedBack();

  // Import and apply let the window handle messages while they work; while they run, the
  // window's actions are off and a call that still gets here is ignored, so two runs never
  // share the work folder.
  bool Busy() const { return busy_; }
  std::function<void(bool busy)> OnBusyChanged;

 private:
  class BusyScope;
  void Inform(unsigned key);
  void Fail(unsigned key);
  // A failure text whose "%s" takes the system's wording of the error.
  void FailBecause(unsigned key, unsigned long systemError);
  void Show(const std::wstring& text, UINT flags);
  // One line per left-out picture with its reason, at most kMaxLeftOutListed and a count.
  std::wstring LeftOutList(const std::vector<LeftOutBitmap>& leftOut) const;

  LogonManagerSetup setup_;
  LogonLibrary library_;
  LogonXpConverter converter_;
  LogonImporter importer_;
  LogonApplier applier_;
  bool busy_ = false;
};

}  // namespace korvel
