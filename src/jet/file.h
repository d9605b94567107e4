// The operating-system layer of the engine: a database file read at arbitrary offsets.
// The pager is its only user. A file object is used from one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/status.h"

namespace tabulon::jet {

class File {
 public:
  virtual ~File() = default;

  // Reads up to `length` bytes at `offset` into `dst` and stores the count in `*read`;
  // it is less than `length` only at the end of the file.
  virtual Status ReadAt(uint64_t offset, size_t length, uint8_t* dst, size_t* read) = 0;
  virtual Result<uint64_t> Size() = 0;
  // The path (or a label for in-memory images), for messages.
  virtual const std::string& name() const = 0;
};

// Opens an existing file for reading, allowing other processes to read and write it as
// Jet does. `utf8_path` is UTF-8. Errors: NotFound (no such file), Busy (another process
// holds the file exclusively), PermissionDenied, IOError.
Result<std::unique_ptr<File>> OpenFileForRead(const std::string& utf8_path);

// A file held in memory (database images in tests and fuzzing).
std::unique_ptr<File> NewMemoryFile(std::string name, std::string bytes);

}  // namespace tabulon::jet
