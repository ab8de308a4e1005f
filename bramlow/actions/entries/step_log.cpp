#include "bramlow/actions/entries/step_log.h"

#include "bramlow/actions/entries/error_wording.h"
#include "winbase/text.h"

namespace bramlow {
namespace {

std::wstring OneLine(std::wstring_view text) {
  std::wstring line;
  line.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      // A run of breaks (an empty line between paragraphs too) becomes one separator.
      while (i + 1 < text.size() && (text[i + 1] == L'\r' || text[i + 1] == L'\n')) ++i;
      line += L" / ";
    } else {
      line += c;
    }
  }
  return line;
}

}  // namespace

std::wstring ReasonText(DWORD error, std::wstring_view subject) {
  std::wstring text = SystemErrorWording(error, subject);
  if (text.empty()) return L"error " + std::to_wstring(error);
  return text + L" (" + std::to_wstring(error) + L")";
}

bool StepLog::Open(const std::wstring& path, DWORD& error) {
  // Readers may watch the log while it grows.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  file_.reset(file);
  writeFailed_ = false;
  return static_cast<bool>(file_);
}

void StepLog::Close() {
  file_.reset();
  failedCopies_ = 0;
  writeFailed_ = false;
}

void StepLog::Line(std::wstring_view text) {
  if (!file_) return;
  const std::string bytes = winbase::ToUtf8(OneLine(text)) + "\r\n";
  DWORD written = 0;
  if (!WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size())
    writeFailed_ = true;
}

void StepLog::Result(std::wstring_view step, bool ok, DWORD error) {
  std::wstring line(step);
  if (ok)
    line += L": ok";
  else if (error != 0)
    line += L": failed (" + ReasonText(error) + L")";
  else
    line += L": failed";
  Line(line);
}

void StepLog::Copy(const std::wstring& from, const std::wstring& to, bool ok, DWORD error,
                   std::wstring_view why) {
  if (!ok) ++failedCopies_;
  // Thousands of copies a second: their lines are not even put together without a log.
  if (!file_) return;
  if (!ok && error == 0 && !why.empty())
    Line(L"copy " + from + L" -> " + to + L": failed (" + std::wstring(why) + L")");
  else
    Result(L"copy " + from + L" -> " + to, ok, error);
}

StepLog& Steps() {
  static StepLog log;
  return log;
}

}  // namespace bramlow
