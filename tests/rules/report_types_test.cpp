#include "rules/report_types.h"

#include <gtest/gtest.h>

#include <string>

#include "base/encoding.h"
#include "rules/upload_report_config.h"

namespace tabulon {
namespace {

TEST(ReportTypes, TableAsDefined) {
  const struct {
    const char* key;
    const char* name_utf8;
    const char* code;
    const char* alt_key;  // null: the row has no alternative key
  } rows[] = {
      {"yb", "企业会计准则(一般企业)财务报表", "ZL1001001", "yb"},
      {"bx", "企业会计准则(保险公司)财务报表", "ZL1001020", "bx"},
      {"fcsg", "企业会计制度财务报表", "ZL1001002", ""},
      {"jr", "企业会计准则(商业银行)财务报表", "ZL1001018", "yh"},
      {"ny", "小企业会计准则财务报表", "ZL1001003", "xqy"},
      {"sydw", "财务报表报送与信息采集（政府会计准则制度）", "ZL1001051", ""},
      {"zq", "企业会计准则(证券公司)财务报表", "ZL1001019", "zq"},
      {"mjfylzz", "财务报表报送与信息采集（民间非盈利组织）", "ZL1001023", nullptr},
      {"qyjthb", "财务报表报送与信息采集（企业集团合并）", "ZL1001045", nullptr},
      {"jrqy", "财务报表报送与信息采集（企业会计准则金融企业）", "ZL1001050", nullptr},
  };
  ASSERT_EQ(ReportTypeKeys.size(), 10u);
  ASSERT_EQ(ReportTypeNames.size(), 10u);
  ASSERT_EQ(ReportTypeCodes.size(), 10u);
  ASSERT_EQ(ReportTypeAltKeys.size(), 7u);
  for (size_t r = 0; r < 10; ++r) {
    EXPECT_EQ(ReportTypeKeys[r], rows[r].key) << r;
    EXPECT_EQ(AnsiToUtf8(ReportTypeNames[r]), rows[r].name_utf8) << r;
    EXPECT_EQ(ReportTypeCodes[r], rows[r].code) << r;
    EXPECT_EQ(ReportTypeCodes[r].size(), 9u) << r;
    EXPECT_GE(ReportTypeKeys[r].size(), 2u) << r;
    EXPECT_LE(ReportTypeKeys[r].size(), 7u) << r;
    if (rows[r].alt_key != nullptr) {
      ASSERT_LT(r, ReportTypeAltKeys.size());
      EXPECT_EQ(ReportTypeAltKeys[r], rows[r].alt_key) << r;
    } else {
      EXPECT_GE(r, ReportTypeAltKeys.size());
    }
  }
}

TEST(ReportTypes, NamesAreHeldInTheAnsiCodePage) {
  ASSERT_EQ(AnsiCodePage(), 936u);
  // 企业会计准则 in GBK opens row 0; the full-width brackets of row 5 are A3 A8 and A3 A9.
  EXPECT_EQ(ReportTypeNames[0].substr(0, 12), "\xC6\xF3\xD2\xB5\xBB\xE1\xBC\xC6\xD7\xBC\xD4\xF2");
  for (size_t r : {5, 7, 8, 9}) {
    EXPECT_NE(ReportTypeNames[r].find("\xA3\xA8"), std::string::npos) << r;
    EXPECT_EQ(ReportTypeNames[r].substr(ReportTypeNames[r].size() - 2), "\xA3\xA9") << r;
    EXPECT_EQ(ReportTypeNames[r].find('('), std::string::npos) << r;
  }
  for (size_t r : {0, 1, 3, 6}) {
    EXPECT_NE(ReportTypeNames[r].find('('), std::string::npos) << r;
    EXPECT_NE(ReportTypeNames[r].find(')'), std::string::npos) << r;
  }
}

TEST(UploadReportConfig, ExistsFromStartWithEmptyFields) {
  ASSERT_NE(UploadReportConfig, nullptr);
  EXPECT_EQ(UploadReportConfig->ReportTypeKey, "");
  EXPECT_EQ(UploadReportConfig->ReportTypeName, "");
  EXPECT_EQ(UploadReportConfig->ReportTypeCode, "");
  EXPECT_EQ(UploadReportConfig->ReportTypeAltKey, "");
}

}  // namespace
}  // namespace tabulon
