// POSIX implementation of the file layer (native builds).
#ifndef _WIN32

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "jet/file.h"

namespace tabulon::jet {
namespace {

Status ErrnoStatus(const std::string& what, const std::string& path, int err) {
  std::string msg = what + " " + path + ": " + std::strerror(err);
  switch (err) {
    case ENOENT:
    case ENOTDIR: return Status::NotFound("database file not found: " + path);
    case EACCES:
    case EPERM: return Status::PermissionDenied(msg);
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK: return Status::Busy("database file is locked by another process: " + path);
    default: return Status::IOError(msg);
  }
}

class PosixFile final : public File {
 public:
  PosixFile(std::string name, int fd) : name_(std::move(name)), fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }

  Status ReadAt(uint64_t offset, size_t length, uint8_t* dst, size_t* read) override {
    *read = 0;
    while (*read < length) {
      ssize_t n = ::pread(fd_, dst + *read, length - *read, static_cast<off_t>(offset + *read));
      if (n < 0) {
        if (errno == EINTR) continue;
        return ErrnoStatus("cannot read", name_, errno);
      }
      if (n == 0) break;
      *read += static_cast<size_t>(n);
    }
    return Status::Ok();
  }

  Result<uint64_t> Size() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return ErrnoStatus("cannot stat", name_, errno);
    return static_cast<uint64_t>(st.st_size);
  }

  const std::string& name() const override { return name_; }

 private:
  std::string name_;
  int fd_;
};

}  // namespace

Result<std::unique_ptr<File>> OpenFileForRead(const std::string& utf8_path) {
  int fd;
  do {
    fd = ::open(utf8_path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return ErrnoStatus("cannot open", utf8_path, errno);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Status::IOError("not a regular file: " + utf8_path);
  }
  return std::unique_ptr<File>(std::make_unique<PosixFile>(utf8_path, fd));
}

}  // namespace tabulon::jet

#endif  // !_WIN32
