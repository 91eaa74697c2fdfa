// Holds a process-wide object that is built on first use and never destroyed,
// so a library leaves no work for static destruction or unload, and threads
// that outlive exit() never meet a destroyed object.
#ifndef TARSEL_UTIL_NO_DESTRUCTOR_H
#define TARSEL_UTIL_NO_DESTRUCTOR_H

#include <new>
#include <utility>

namespace tarsel {

template <typename T>
class NoDestructor {
public:
    template <typename... Args>
    explicit NoDestructor(Args&&... args) {
        new (m_storage) T(std::forward<Args>(args)...);
    }
    ~NoDestructor() = default;

    NoDestructor(const NoDestructor&) = delete;
    NoDestructor& operator=(const NoDestructor&) = delete;

    T& operator*() { return *Get(); }
    T* operator->() { return Get(); }
    T* Get() { return std::launder(reinterpret_cast<T*>(m_storage)); }

private:
    alignas(T) unsigned char m_storage[sizeof(T)];
};

}  // namespace tarsel

#endif  // TARSEL_UTIL_NO_DESTRUCTOR_H
