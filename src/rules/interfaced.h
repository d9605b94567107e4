// Reference-counted interfaces in the manner of COM, declared portably.
//
// An interface derives from IInterface, carries its own identifier (kIid) and is held only
// through InterfacePtr, which adds a reference on copy and releases it on destruction. An
// implementation derives from TInterfacedObject<Interface>, which counts the references
// and deletes the object when the last one is released; it is created with MakeInterfaced,
// so that no raw pointer to it is ever handed out.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

namespace tabulon {

// An interface identifier, laid out as a GUID.
struct Guid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];

  friend bool operator==(const Guid& a, const Guid& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
    for (int i = 0; i < 8; ++i) {
      if (a.data4[i] != b.data4[i]) return false;
    }
    return true;
  }
};

class IInterface {
 public:
  // {00000000-0000-0000-C000-000000000046}, the identifier of COM's IUnknown.
  static constexpr Guid kIid = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

  // On success stores a new reference to the interface `iid` of this object in `*object`;
  // otherwise stores null and returns false.
  virtual bool QueryInterface(const Guid& iid, void** object) = 0;
  // Both return the new reference count.
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  ~IInterface() = default;
};

// A counted reference to an interface.
template <typename I>
class InterfacePtr {
 public:
  InterfacePtr() = default;
  // Takes a new reference to `p` (null allowed).
  explicit InterfacePtr(I* p) : p_(p) {
    if (p_ != nullptr) p_->AddRef();
  }
  InterfacePtr(const InterfacePtr& other) : InterfacePtr(other.p_) {}
  InterfacePtr(InterfacePtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  InterfacePtr& operator=(InterfacePtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~InterfacePtr() { Reset(); }

  // Adopts a reference that the caller already holds (as QueryInterface hands out).
  static InterfacePtr Adopt(I* p) {
    InterfacePtr ptr;
    ptr.p_ = p;
    return ptr;
  }

  void Reset() {
    if (I* p = std::exchange(p_, nullptr)) p->Release();
  }
  I* get() const { return p_; }
  I* operator->() const { return p_; }
  I& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // The interface `To` of the same object, or null when the object does not implement it.
  template <typename To>
  InterfacePtr<To> Query() const {
    void* object = nullptr;
    if (p_ == nullptr || !p_->QueryInterface(To::kIid, &object)) return InterfacePtr<To>();
    return InterfacePtr<To>::Adopt(static_cast<To*>(object));
  }

 private:
  I* p_ = nullptr;
};

// The reference-counted base of an object implementing `Interface`. The object starts
// with no reference and is deleted when its count falls back to zero.
template <typename Interface>
class TInterfacedObject : public Interface {
 public:
  using InterfaceType = Interface;

  TInterfacedObject() = default;
  TInterfacedObject(const TInterfacedObject&) = delete;
  TInterfacedObject& operator=(const TInterfacedObject&) = delete;

  bool QueryInterface(const Guid& iid, void** object) override {
    if (iid == Interface::kIid || iid == IInterface::kIid) {
      AddRef();
      *object = static_cast<Interface*>(this);
      return true;
    }
    *object = nullptr;
    return false;
  }
  std::uint32_t AddRef() override { return ++ref_count_; }
  std::uint32_t Release() override {
    const std::uint32_t count = --ref_count_;
    if (count == 0) delete this;
    return count;
  }

 protected:
  virtual ~TInterfacedObject() = default;

 private:
  std::atomic<std::uint32_t> ref_count_{0};
};

// Creates an interfaced object and returns the first reference to it.
template <typename T, typename... Args>
InterfacePtr<typename T::InterfaceType> MakeInterfaced(Args&&... args) {
  return InterfacePtr<typename T::InterfaceType>(new T(std::forward<Args>(args)...));
}

}  // namespace tabulon
