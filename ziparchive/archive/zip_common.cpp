#include "ziparchive/archive/zip_common.h"

#include "ziparchive/records/zip_messages.h"
#include "ziparchive/records/zip_records.h"

namespace ziparchive {

void TZipCommon::Report(const std::string& FileName, const std::string& ExtendedMsg, int ECode,
                        const std::string& VolumeID) {
  if (!OnError) return;
  int code = FCancel ? zipmsg::kUserCanceled : ECode;
  OnError(*this, FileName, ExtendedMsg, VolumeID, code);
}

void TZipCommon::ReportFatal(const std::string& FileName, const std::string& ExtendedMsg, int ECode,
                             const std::string& VolumeID) {
  Report(FileName, ExtendedMsg, ECode, VolumeID);
  if (!FCancel) throw EZipError(ECode, ZipMessageText(ECode));
}

std::string TZipCommon::SystemReason() const {
  const std::string reason = OsLastErrorText();
  return Utf8Paths ? OsUtf8Path(reason) : reason;
}

std::string TZipCommon::ToStoredName(const std::string& name) const {
  return EncodeStoredName(name, TranslateOemChar);
}

std::string TZipCommon::FromStoredName(const std::string& stored) const {
  return DecodeStoredName(stored, TranslateOemChar);
}

}  // namespace ziparchive
