#include "jet/header.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "base/encoding.h"
#include "jet/format.h"
#include "jet/rc4.h"

namespace tabulon::jet {
namespace {

bool StartsWith(ByteSpan bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() &&
         std::string_view(reinterpret_cast<const char*>(bytes.data()), prefix.size()) == prefix;
}

// A short description of a file that is not a Jet database, from its first bytes.
std::string DescribeForeignFile(ByteSpan bytes) {
  if (bytes.empty()) return "the file is empty";
  if (StartsWith(bytes, "SQLite format 3")) return "it is an SQLite database";
  if (StartsWith(bytes, "PK\x03\x04")) return "it is a zip archive";
  if (StartsWith(bytes, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) return "it is an OLE compound document";
  if (StartsWith(bytes, "%PDF")) return "it is a PDF document";
  std::string hex;
  for (size_t i = 0; i < bytes.size() && i < 8; ++i) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%s%02X", i ? " " : "", bytes[i]);
    hex += buf;
  }
  return "it starts with bytes " + hex;
}

}  // namespace

void DeobfuscateHeaderRegion(uint8_t* page) {
  Rc4 rc4(format::kHeaderCryptKey);
  rc4.Apply(page + format::kHeaderCryptOffset, format::kHeaderCryptSize);
}

Result<DatabaseHeader> ReadDatabaseHeader(ByteSpan first_page, const std::string& file_name) {
  const std::string where = file_name.empty() ? std::string("the file") : file_name;
  static constexpr uint8_t kMagic[4] = {0x00, 0x01, 0x00, 0x00};
  std::string_view engine;
  if (InRange(first_page, 0, format::kVersionOffset + 1) &&
      std::equal(kMagic, kMagic + 4, first_page.begin())) {
    engine = std::string_view(reinterpret_cast<const char*>(first_page.data()) + format::kEngineNameOffset,
                              format::kEngineNameSize);
  }
  const bool jet = engine == std::string_view("Standard Jet DB\0", 16);
  const bool ace = engine == std::string_view("Standard ACE DB\0", 16);
  if (!jet && !ace) {
    if (engine.substr(0, 15) == "MSISAM Database") {
      return Status::NotSupported(where + " is an MSISAM (Microsoft Works) database, not a Jet 4 database");
    }
    return Status::NotSupported(where + " is not a Jet database: " + DescribeForeignFile(first_page));
  }
  const uint8_t version = first_page[format::kVersionOffset];
  if (ace || version > format::kVersionJet4) {
    return Status::NotSupported(where + " is an ACE database (Access 2007 or later, version code " +
                                std::to_string(version) + "); only Jet 4 databases (Access 2000-2003) are supported");
  }
  if (version == format::kVersionJet3) {
    return Status::NotSupported(where + " is a Jet 3 database (Access 97); only Jet 4 databases (Access 2000-2003) are supported");
  }
  if (first_page.size() < format::kPageSize) {
    return Status::Corruption(where + " is truncated: it ends inside its first page (" +
                              std::to_string(first_page.size()) + " bytes)");
  }

  std::vector<uint8_t> page(first_page.begin(), first_page.begin() + format::kPageSize);
  DeobfuscateHeaderRegion(page.data());
  DatabaseHeader header;
  header.version = version;
  header.code_page = LoadU16(&page[format::kCodePageOffset]);
  header.database_key = LoadU32(&page[format::kDatabaseKeyOffset]);
  header.sort_order = LoadU16(&page[format::kSortOrderOffset]);
  header.sort_version = page[format::kSortOrderOffset + 3];
  header.creation_date = LoadF64(&page[format::kCreationDateOffset]);

  // The password is masked with the integer part of the creation date, repeated.
  uint8_t mask[4] = {0, 0, 0, 0};
  if (std::isfinite(header.creation_date) && header.creation_date > -2147483648.0 &&
      header.creation_date < 2147483648.0) {
    uint32_t whole = static_cast<uint32_t>(static_cast<int32_t>(header.creation_date));
    for (int i = 0; i < 4; ++i) mask[i] = static_cast<uint8_t>(whole >> (8 * i));
  }
  uint8_t pw[format::kPasswordSize];
  for (size_t i = 0; i < format::kPasswordSize; ++i) pw[i] = page[format::kPasswordOffset + i] ^ mask[i % 4];
  std::u16string password = DecodeUtf16Le(ByteSpan(pw, sizeof pw));
  size_t nul = password.find(u'\0');
  if (nul != std::u16string::npos) password.resize(nul);
  header.password = std::move(password);
  return header;
}

Status VerifyPassword(const DatabaseHeader& header, std::string_view utf8_password) {
  if (!header.has_password()) return Status::Ok();
  if (Utf8ToUtf16(utf8_password) != header.password) return Status::PermissionDenied("not a valid password");
  return Status::Ok();
}

}  // namespace tabulon::jet
