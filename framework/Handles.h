// Move-only owners of kernel handles, GDI objects and critical sections.
#pragma once
#include <windows.h>
#include <utility>

namespace fw {

// A kernel handle; both NULL and INVALID_HANDLE_VALUE mean "none".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : m_h(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : m_h(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept { reset(o.release()); return *this; }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }
    HANDLE get() const { return m_h; }
    bool valid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }
    HANDLE release() { HANDLE h = m_h; m_h = nullptr; return h; }
    void reset(HANDLE h = nullptr) {
        if (valid())
            ::CloseHandle(m_h);
        m_h = h;
    }
private:
    HANDLE m_h = nullptr;
};

template <class T>
class UniqueGdi {
public:
    UniqueGdi() = default;
    explicit UniqueGdi(T h) : m_h(h) {}
    UniqueGdi(UniqueGdi&& o) noexcept : m_h(o.release()) {}
    UniqueGdi& operator=(UniqueGdi&& o) noexcept { reset(o.release()); return *this; }
    UniqueGdi(const UniqueGdi&) = delete;
    UniqueGdi& operator=(const UniqueGdi&) = delete;
    ~UniqueGdi() { reset(); }
    T get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    T release() { T h = m_h; m_h = nullptr; return h; }
    void reset(T h = nullptr) {
        if (m_h)
            ::DeleteObject(m_h);
        m_h = h;
    }
private:
    T m_h = nullptr;
};

class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&m_cs); }
    ~CriticalSection() { ::DeleteCriticalSection(&m_cs); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Lock() { ::EnterCriticalSection(&m_cs); }
    void Unlock() { ::LeaveCriticalSection(&m_cs); }
private:
    CRITICAL_SECTION m_cs;
};

class CsLock {
public:
    explicit CsLock(CriticalSection& cs) : m_cs(cs) { m_cs.Lock(); }
    ~CsLock() { m_cs.Unlock(); }
    CsLock(const CsLock&) = delete;
    CsLock& operator=(const CsLock&) = delete;
private:
    CriticalSection& m_cs;
};

} // namespace fw
