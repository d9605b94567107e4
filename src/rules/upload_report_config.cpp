#include "rules/upload_report_config.h"

namespace tabulon {

// Created during static initialisation, before main; freed by static destruction at exit.
const std::unique_ptr<TUploadReportConfig> UploadReportConfig = std::make_unique<TUploadReportConfig>();

}  // namespace tabulon
