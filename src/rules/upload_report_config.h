// The one TUploadReportConfig object of the program: created when the program starts and
// freed when it ends. Nothing in the loader sets or reads its fields; they describe the
// report type of an upload, one field per array of report_types.h.
#pragma once

#include <memory>
#include <string>

namespace tabulon {

class TUploadReportConfig {
 public:
  std::string ReportTypeKey;
  std::string ReportTypeName;
  std::string ReportTypeCode;
  std::string ReportTypeAltKey;
};

// Refers to the one instance for the whole run.
extern const std::unique_ptr<TUploadReportConfig> UploadReportConfig;

}  // namespace tabulon
