#include "rules/report_types.h"

#include <cstddef>
#include <string_view>

#include "base/encoding.h"

namespace tabulon {
namespace {

// Rows 0, 1, 3 and 6 use ASCII parentheses, rows 5, 7, 8 and 9 full-width brackets.
constexpr std::u16string_view kReportTypeNamesUtf16[10] = {
    u"企业会计准则(一般企业)财务报表",
    u"企业会计准则(保险公司)财务报表",
    u"企业会计制度财务报表",
    u"企业会计准则(商业银行)财务报表",
    u"小企业会计准则财务报表",
    u"财务报表报送与信息采集（政府会计准则制度）",
    u"企业会计准则(证券公司)财务报表",
    u"财务报表报送与信息采集（民间非盈利组织）",
    u"财务报表报送与信息采集（企业集团合并）",
    u"财务报表报送与信息采集（企业会计准则金融企业）",
};

std::array<std::string, 10> NamesInAnsiCodePage() {
  std::array<std::string, 10> names;
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = Utf16ToAnsi(kReportTypeNamesUtf16[i]);
  return names;
}

}  // namespace

const std::array<std::string, 10> ReportTypeKeys = {
    "yb", "bx", "fcsg", "jr", "ny", "sydw", "zq", "mjfylzz", "qyjthb", "jrqy",
};

const std::array<std::string, 10> ReportTypeNames = NamesInAnsiCodePage();

const std::array<std::string, 10> ReportTypeCodes = {
    "ZL1001001", "ZL1001020", "ZL1001002", "ZL1001018", "ZL1001003",
    "ZL1001051", "ZL1001019", "ZL1001023", "ZL1001045", "ZL1001050",
};

const std::array<std::string, 7> ReportTypeAltKeys = {
    "yb", "bx", "", "yh", "xqy", "", "zq",
};

}  // namespace tabulon
