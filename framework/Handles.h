// Move-only owners: one template, a traits type per kind of handle that says
// what "none" is and how the handle is given back. No release call of these
// kinds appears outside this file.
#pragma once
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <commctrl.h>
#include <utility>

namespace fw {

template <class Traits>
class UniqueOwner {
public:
    using Handle = typename Traits::Handle;

    UniqueOwner() = default;
    explicit UniqueOwner(Handle h) : m_h(h) {}
    UniqueOwner(UniqueOwner&& o) noexcept : m_h(o.release()) {}
    UniqueOwner& operator=(UniqueOwner&& o) noexcept
    {
        if (this != &o)
            reset(o.release());
        return *this;
    }
    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;
    ~UniqueOwner() { reset(); }

    Handle get() const { return m_h; }
    bool valid() const { return Traits::Valid(m_h); }
    explicit operator bool() const { return valid(); }
    Handle operator->() const { return m_h; }
    // Gives the handle up without closing it.
    Handle release()
    {
        Handle h = m_h;
        m_h = Traits::None();
        return h;
    }
    void reset(Handle h = Traits::None())
    {
        close();
        m_h = h;
    }
    // Closes now; false when closing failed (a file's last writes, say).
    bool close()
    {
        bool ok = true;
        if (valid())
            ok = Traits::Close(m_h);
        m_h = Traits::None();
        return ok;
    }
    // For functions that hand out a handle through a pointer: closes the
    // current one first.
    Handle* put()
    {
        reset();
        return &m_h;
    }

private:
    Handle m_h = Traits::None();
};

// Kernel handles: both NULL and INVALID_HANDLE_VALUE mean "none".
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(Handle h) { return ::CloseHandle(h) != FALSE; }
};

template <class T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle None() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return ::DeleteObject(h) != FALSE; }
};

// A DC from CreateDC/CreateIC/CreateCompatibleDC.
struct CreatedDcTraits {
    using Handle = HDC;
    static Handle None() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return ::DeleteDC(h) != FALSE; }
};

// The screen's DC from GetDC(nullptr).
struct ScreenDcTraits {
    using Handle = HDC;
    static Handle None() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return ::ReleaseDC(nullptr, h) != 0; }
};

struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle None() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return ::GlobalFree(h) == nullptr; }
};

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle None() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return ::RegCloseKey(h) == ERROR_SUCCESS; }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(Handle h) { return ::FindClose(h) != FALSE; }
};

struct SocketTraits {
    using Handle = SOCKET;
    static Handle None() { return INVALID_SOCKET; }
    static bool Valid(Handle h) { return h != INVALID_SOCKET; }
    static bool Close(Handle h) { return ::closesocket(h) == 0; }
};

// A list of resolved addresses (GetAddrInfoW).
struct AddrInfoTraits {
    using Handle = ADDRINFOW*;
    static Handle None() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static bool Close(Handle h)
    {
        ::FreeAddrInfoW(h);
        return true;
    }
};

struct MappedViewTraits {
    using Handle = void*;
    static Handle None() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return ::UnmapViewOfFile(h) != FALSE; }
};

struct MenuTraits {
    using Handle = HMENU;
    static Handle None() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return ::DestroyMenu(h) != FALSE; }
};

struct ImageListTraits {
    using Handle = HIMAGELIST;
    static Handle None() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return ::ImageList_Destroy(h) != FALSE; }
};

// A COM interface pointer (IMalloc and the like): one reference.
template <class T>
struct ComTraits {
    using Handle = T*;
    static Handle None() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static bool Close(Handle h)
    {
        h->Release();
        return true;
    }
};

using UniqueHandle = UniqueOwner<KernelHandleTraits>;
template <class T>
using UniqueGdi = UniqueOwner<GdiObjectTraits<T>>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueDC = UniqueOwner<CreatedDcTraits>;
using UniqueScreenDC = UniqueOwner<ScreenDcTraits>;
using UniqueGlobal = UniqueOwner<GlobalMemoryTraits>;
using UniqueRegKey = UniqueOwner<RegKeyTraits>;
using UniqueFind = UniqueOwner<FindHandleTraits>;
using UniqueSocket = UniqueOwner<SocketTraits>;
using UniqueAddrInfo = UniqueOwner<AddrInfoTraits>;
using UniqueMappedView = UniqueOwner<MappedViewTraits>;
using UniqueMenu = UniqueOwner<MenuTraits>;
using UniqueImageList = UniqueOwner<ImageListTraits>;
template <class T>
using ComPtr = UniqueOwner<ComTraits<T>>;

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
