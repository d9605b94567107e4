// The database definition page (page 0): what kind of file this is, how its pages are
// encoded, its sort order and its database password.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"
#include "jet/bytes.h"

namespace tabulon::jet {

struct DatabaseHeader {
  uint8_t version = 0;        // 1 for Jet 4
  uint16_t code_page = 0;
  uint32_t database_key = 0;  // non-zero: every page after page 0 is RC4-encoded
  uint16_t sort_order = 0;    // 0x0409: General
  uint8_t sort_version = 0;
  double creation_date = 0;
  std::u16string password;    // empty when the database has none

  bool encoded() const { return database_key != 0; }
  bool has_password() const { return !password.empty(); }
};

// Reverses the RC4 obfuscation of the header region of page 0 in place (`page` holds at
// least one page).
void DeobfuscateHeaderRegion(uint8_t* page);

// Identifies the file from its first bytes (`first_page`, as stored, possibly shorter than
// a page) and decodes the header. A file that is not a Jet 4 database yields NotSupported
// with a message naming what was found (Jet 3, ACE, or the file's signature).
Result<DatabaseHeader> ReadDatabaseHeader(ByteSpan first_page, const std::string& file_name);

// Checks `utf8_password` against the database password: any password opens a database
// without one; otherwise it must match exactly (Jet passwords are case-sensitive).
// A mismatch is PermissionDenied("not a valid password").
Status VerifyPassword(const DatabaseHeader& header, std::string_view utf8_password);

}  // namespace tabulon::jet
