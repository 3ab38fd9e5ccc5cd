#pragma once

#include <cstddef>
#include <utility>

// The counted reference holder. Storing a non-null pointer adds a reference to the new
// object before the one previously held is released; destruction releases. Every container
// and caller keeps reference-counted objects through it.
template <class T>
class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    // Shares p: the holder takes a reference of its own.
    explicit Ref(T* p) : ptr(p) {
        if (ptr) ptr->AddRef();
    }
    Ref(const Ref& other) : Ref(other.ptr) {}
    Ref(Ref&& other) noexcept : ptr(std::exchange(other.ptr, nullptr)) {}
    ~Ref() {
        if (ptr) ptr->Release();
    }

    Ref& operator=(const Ref& other) {
        Reset(other.ptr);
        return *this;
    }
    Ref& operator=(Ref&& other) noexcept {
        if (this != &other) {
            T* old = std::exchange(ptr, std::exchange(other.ptr, nullptr));
            if (old) old->Release();
        }
        return *this;
    }

    // Takes over a reference that a factory or a hand-out operation already added.
    static Ref Adopt(T* p) {
        Ref ref;
        ref.ptr = p;
        return ref;
    }

    void Reset(T* p = nullptr) {
        if (p) p->AddRef();
        T* old = std::exchange(ptr, p);
        if (old) old->Release();
    }

    // For out arguments of factories and hand-out operations: drops what is held and
    // returns the slot that the callee fills with an already counted reference.
    T** Receive() {
        Reset();
        return &ptr;
    }

    // Hands the object out through an out argument with a reference of the receiver's own.
    void CopyTo(T** out) const {
        if (ptr) ptr->AddRef();
        *out = ptr;
    }

    T* Get() const { return ptr; }
    T* operator->() const { return ptr; }
    T& operator*() const { return *ptr; }
    explicit operator bool() const { return ptr != nullptr; }

    friend bool operator==(const Ref& a, const Ref& b) { return a.ptr == b.ptr; }
    friend bool operator!=(const Ref& a, const Ref& b) { return a.ptr != b.ptr; }

private:
    T* ptr = nullptr;
};
