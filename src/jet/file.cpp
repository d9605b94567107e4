#include "jet/file.h"

#include <algorithm>
#include <cstring>

namespace tabulon::jet {
namespace {

class MemoryFile final : public File {
 public:
  MemoryFile(std::string name, std::string bytes) : name_(std::move(name)), bytes_(std::move(bytes)) {}

  Status ReadAt(uint64_t offset, size_t length, uint8_t* dst, size_t* read) override {
    *read = 0;
    if (offset >= bytes_.size()) return Status::Ok();
    size_t n = std::min<uint64_t>(length, bytes_.size() - offset);
    std::memcpy(dst, bytes_.data() + offset, n);
    *read = n;
    return Status::Ok();
  }
  Result<uint64_t> Size() override { return static_cast<uint64_t>(bytes_.size()); }
  const std::string& name() const override { return name_; }

 private:
  std::string name_;
  std::string bytes_;
};

}  // namespace

std::unique_ptr<File> NewMemoryFile(std::string name, std::string bytes) {
  return std::make_unique<MemoryFile>(std::move(name), std::move(bytes));
}

}  // namespace tabulon::jet
