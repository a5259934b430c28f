// The one owner of operating-system handles: whatever way a procedure leaves, a handle it holds
// is closed exactly once.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

namespace qvx {

// Owns one handle and passes it to close when it goes. invalid is the value that holds nothing,
// given as an integer so that a pointer-like handle can have -1 as well as null.
template <typename Handle, auto close, std::intptr_t invalid = 0>
class UniqueHandle {
  public:
    static Handle invalidValue() noexcept {
        if constexpr (std::is_pointer_v<Handle>)
            return reinterpret_cast<Handle>(invalid);
        else
            return static_cast<Handle>(invalid);
    }

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != invalidValue(); }

    // Gives up ownership without closing.
    Handle release() noexcept { return std::exchange(handle_, invalidValue()); }

    // Closes what is held, if anything, and holds handle instead.
    void reset(Handle handle = invalidValue()) noexcept {
        const Handle old = std::exchange(handle_, handle);
        if (old != invalidValue()) close(old);
    }

  private:
    Handle handle_ = invalidValue();
};

}  // namespace qvx
