// The ten types of financial statements, one per accounting standard or filer group, as
// four arrays matched by position: short key, display name, report code (ZL1001nnn) and,
// for the first seven rows only, an alternative short key (empty for rows 2 and 5).
//
// The names are held in the ANSI code page of the running system (GBK on a Chinese
// Windows): they are written in the source as UTF-16 and converted once at start-up, so
// they follow the system code page as every other text of the program does. Keys and codes
// are ASCII.
#pragma once

#include <array>
#include <string>

namespace tabulon {

extern const std::array<std::string, 10> ReportTypeKeys;
extern const std::array<std::string, 10> ReportTypeNames;
extern const std::array<std::string, 10> ReportTypeCodes;
extern const std::array<std::string, 7> ReportTypeAltKeys;

}  // namespace tabulon
