// Windows implementation of the file layer, on the C runtime's wide-character file
// functions: the path is converted from UTF-8 to UTF-16 so that any file name opens, and
// the file is shared for reading and writing as Jet shares it.
#ifdef _WIN32

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include "base/encoding.h"
#include "jet/file.h"

namespace tabulon::jet {
namespace {

// Windows error codes that _doserrno reports when another process holds the file.
constexpr unsigned long kErrorSharingViolation = 32;
constexpr unsigned long kErrorLockViolation = 33;

Status CrtStatus(const std::string& what, const std::string& path, int err, unsigned long doserr) {
  if (doserr == kErrorSharingViolation || doserr == kErrorLockViolation) {
    return Status::Busy("database file is locked by another process: " + path);
  }
  switch (err) {
    case ENOENT: return Status::NotFound("database file not found: " + path);
    case EACCES: return Status::PermissionDenied(what + " " + path + ": access denied");
    default: return Status::IOError(what + " " + path + ": " + std::strerror(err));
  }
}

class CrtFile final : public File {
 public:
  CrtFile(std::string name, int fd) : name_(std::move(name)), fd_(fd) {}
  ~CrtFile() override { _close(fd_); }

  Status ReadAt(uint64_t offset, size_t length, uint8_t* dst, size_t* read) override {
    *read = 0;
    if (_lseeki64(fd_, static_cast<__int64>(offset), SEEK_SET) < 0) {
      return CrtStatus("cannot seek in", name_, errno, _doserrno);
    }
    while (*read < length) {
      size_t chunk = length - *read;
      if (chunk > (1u << 30)) chunk = 1u << 30;
      int n = _read(fd_, dst + *read, static_cast<unsigned>(chunk));
      if (n < 0) return CrtStatus("cannot read", name_, errno, _doserrno);
      if (n == 0) break;
      *read += static_cast<size_t>(n);
    }
    return Status::Ok();
  }

  Result<uint64_t> Size() override {
    __int64 size = _filelengthi64(fd_);
    if (size < 0) return CrtStatus("cannot stat", name_, errno, _doserrno);
    return static_cast<uint64_t>(size);
  }

  const std::string& name() const override { return name_; }

 private:
  std::string name_;
  int fd_;
};

}  // namespace

Result<std::unique_ptr<File>> OpenFileForRead(const std::string& utf8_path) {
  std::u16string wide = Utf8ToUtf16(utf8_path);
  int fd = -1;
  _doserrno = 0;
  errno_t err = _wsopen_s(&fd, reinterpret_cast<const wchar_t*>(wide.c_str()), _O_RDONLY | _O_BINARY, _SH_DENYNO,
                          _S_IREAD);
  if (err != 0 || fd < 0) return CrtStatus("cannot open", utf8_path, err, _doserrno);
  struct _stati64 st;
  if (_fstati64(fd, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
    _close(fd);
    return Status::IOError("not a regular file: " + utf8_path);
  }
  return std::unique_ptr<File>(std::make_unique<CrtFile>(utf8_path, fd));
}

}  // namespace tabulon::jet

#endif  // _WIN32
