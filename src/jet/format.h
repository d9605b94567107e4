// Constants of the Jet 4 file format (Access 2000-2003 databases): page size, page types,
// and the offsets of the structures that the engine reads. Multi-byte fields are
// little-endian unless a comment says otherwise (index entries are big-endian).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tabulon::jet::format {

inline constexpr size_t kPageSize = 4096;

// First byte of every page.
enum class PageType : uint8_t {
  kDatabaseDefinition = 0x00,  // page 0 only
  kData = 0x01,                // table rows, long values (LVAL), usage-map rows
  kTableDefinition = 0x02,
  kIndexNode = 0x03,           // intermediate index page
  kIndexLeaf = 0x04,
  kUsageBitmap = 0x05,         // bitmap page of a reference usage map
};

// ---- Page 0: the database definition page.
inline constexpr size_t kHeaderMagicOffset = 0x00;     // 00 01 00 00
inline constexpr size_t kEngineNameOffset = 0x04;      // "Standard Jet DB\0" / "Standard ACE DB\0"
inline constexpr size_t kEngineNameSize = 16;
inline constexpr size_t kVersionOffset = 0x14;         // 0 = Jet 3, 1 = Jet 4, 2+ = ACE
// The region that the engine obfuscates with RC4 under a fixed key.
inline constexpr size_t kHeaderCryptOffset = 0x18;
inline constexpr size_t kHeaderCryptSize = 128;
inline constexpr uint8_t kHeaderCryptKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
// Offsets inside the de-obfuscated page 0.
inline constexpr size_t kCodePageOffset = 0x3C;        // u16
inline constexpr size_t kDatabaseKeyOffset = 0x3E;     // u32; non-zero = pages are RC4-encoded
inline constexpr size_t kPasswordOffset = 0x42;        // 20 UTF-16 code units, masked
inline constexpr size_t kPasswordSize = 40;
inline constexpr size_t kSortOrderOffset = 0x6E;       // u16 sort order id, byte 3 = version
inline constexpr size_t kCreationDateOffset = 0x72;    // double; its integer part masks the password

inline constexpr uint8_t kVersionJet3 = 0x00;
inline constexpr uint8_t kVersionJet4 = 0x01;

// Catalog table: its definition always lies on page 2.
inline constexpr uint32_t kCatalogTdefPage = 2;

// ---- Data pages.
inline constexpr size_t kDataFreeSpaceOffset = 2;      // u16
inline constexpr size_t kDataOwnerOffset = 4;          // u32 tdef page of the owning table ("LVAL" for long values)
inline constexpr size_t kDataRowCountOffset = 12;      // u16
inline constexpr size_t kDataRowTableOffset = 14;      // u16 per row
inline constexpr uint16_t kRowOffsetMask = 0x1FFF;
inline constexpr uint16_t kRowDeletedFlag = 0x8000;
inline constexpr uint16_t kRowOverflowFlag = 0x4000;   // the row holds a pointer to where its data moved
inline constexpr uint32_t kLongValueOwner = 0x4C41564C; // "LVAL"

// ---- Table definition pages.
inline constexpr size_t kTdefNextPageOffset = 4;       // u32, continuation page (0 = none)
inline constexpr size_t kTdefContinuationHeader = 8;   // continuation pages carry data after 8 bytes
inline constexpr size_t kTdefLengthOffset = 8;         // u32
inline constexpr size_t kTdefRowCountOffset = 16;      // u32
inline constexpr size_t kTdefAutoNumberOffset = 20;    // u32
inline constexpr size_t kTdefTableTypeOffset = 40;     // u8: 0x4E user, 0x53 system
inline constexpr size_t kTdefMaxColumnsOffset = 41;    // u16
inline constexpr size_t kTdefVarColumnsOffset = 43;    // u16
inline constexpr size_t kTdefColumnCountOffset = 45;   // u16
inline constexpr size_t kTdefLogicalIndexCountOffset = 47;  // u32
inline constexpr size_t kTdefRealIndexCountOffset = 51;     // u32
inline constexpr size_t kTdefUsedPagesOffset = 55;     // u32 row pointer of the owned-pages map
inline constexpr size_t kTdefFreePagesOffset = 59;     // u32 row pointer of the free-space map
inline constexpr size_t kTdefFixedHeaderSize = 63;
inline constexpr size_t kTdefRealIndexCountEntrySize = 12;
inline constexpr size_t kColumnDefSize = 25;
inline constexpr size_t kRealIndexDefSize = 52;
inline constexpr size_t kLogicalIndexDefSize = 28;
inline constexpr size_t kIndexColumnSlots = 10;
inline constexpr uint8_t kTableTypeUser = 0x4E;
inline constexpr uint8_t kTableTypeSystem = 0x53;

// Offsets inside a 25-byte column definition.
inline constexpr size_t kColType = 0;
inline constexpr size_t kColNumber = 5;         // u16, position in the null mask (deleted columns keep theirs)
inline constexpr size_t kColVarIndex = 7;       // u16, slot in the row's variable-offset table
inline constexpr size_t kColPrecision = 11;     // u8 (Decimal); text: u16 sort order id
inline constexpr size_t kColScale = 12;         // u8 (Decimal)
inline constexpr size_t kColSortVersion = 14;   // u8 (Text, Memo)
inline constexpr size_t kColFlags = 15;
inline constexpr size_t kColMiscFlags = 16;
inline constexpr size_t kColFixedOffset = 21;   // u16, offset in the fixed area
inline constexpr size_t kColLength = 23;        // u16

inline constexpr uint8_t kColumnFixedFlag = 0x01;
inline constexpr uint8_t kColumnNullableFlag = 0x02;
inline constexpr uint8_t kColumnAutoLongFlag = 0x04;
inline constexpr uint8_t kColumnReplicationFlag = 0x10;
inline constexpr uint8_t kColumnAutoGuidFlag = 0x40;
inline constexpr uint8_t kColumnHyperlinkFlag = 0x80;
inline constexpr uint8_t kColumnCompressedUnicodeFlag = 0x01;  // in the misc flags

// Index definitions.
inline constexpr uint16_t kNoColumn = 0xFFFF;
inline constexpr uint8_t kIndexAscendingFlag = 0x01;
inline constexpr uint8_t kIndexUniqueFlag = 0x01;
inline constexpr uint8_t kIndexIgnoreNullsFlag = 0x02;
inline constexpr uint8_t kIndexRequiredFlag = 0x08;
inline constexpr uint8_t kIndexTypePrimaryKey = 0x01;
inline constexpr uint8_t kIndexTypeForeignKey = 0x02;

// ---- Long values (Memo, OLE): the 12-byte field stored in the row.
inline constexpr size_t kLongValueHeaderSize = 12;
inline constexpr uint32_t kLongValueLengthMask = 0x3FFFFFFF;
inline constexpr uint32_t kLongValueInlineFlag = 0x80000000;
inline constexpr uint32_t kLongValueSinglePageFlag = 0x40000000;

// ---- Index pages.
inline constexpr size_t kIndexPrevPageOffset = 12;     // u32
inline constexpr size_t kIndexNextPageOffset = 16;     // u32
inline constexpr size_t kIndexTailPageOffset = 20;     // u32, child tail page of a node page
inline constexpr size_t kIndexPrefixLengthOffset = 24; // u16, bytes shared with the page's first entry
inline constexpr size_t kIndexEntryMaskOffset = 0x1B;
inline constexpr size_t kIndexEntriesOffset = 0x1E0;
inline constexpr size_t kIndexEntryMaskSize = kIndexEntriesOffset - kIndexEntryMaskOffset;

// Index entry flags (first byte of each key column).
inline constexpr uint8_t kKeyAscStart = 0x7F;
inline constexpr uint8_t kKeyAscNull = 0x00;
inline constexpr uint8_t kKeyDescStart = 0x80;
inline constexpr uint8_t kKeyDescNull = 0xFF;

// ---- Usage maps.
inline constexpr uint8_t kUsageMapInline = 0x00;
inline constexpr uint8_t kUsageMapReference = 0x01;
inline constexpr size_t kUsageBitmapHeader = 4;
inline constexpr size_t kPagesPerBitmapPage = (kPageSize - kUsageBitmapHeader) * 8;

// Catalog (MSysObjects) object types and flags.
inline constexpr int16_t kObjectTypeTable = 1;
inline constexpr uint32_t kObjectSystemFlags = 0x80000002;
inline constexpr uint32_t kObjectIdPageMask = 0x00FFFFFF;

}  // namespace tabulon::jet::format
