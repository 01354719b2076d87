// orlixdrv: the end-to-end tests' hands and eyes inside the Wine world.
//
// Serves one request per stdin line, a JSON array ["command", arg, ...], and
// answers each with exactly one stdout line, {"ok":true,"result":...} or
// {"ok":false,"error":"..."}. Window handles travel as integers; a window
// argument of the list, status bar and toolbar commands may be the control
// itself or any window above it. Blank lines get no answer.
//
//   find CLASS|null TITLE|null MS          hwnd, 0 when none appeared in time
//   child HWND CLASS|null [ID]             first descendant that matches, or 0
//   rect HWND ["client"]                   [left, top, right, bottom] on the screen (or client)
//   dpichanged HWND DPI L T R B            send WM_DPICHANGED with that suggested rectangle
//   title|class|pid HWND, exists|visible HWND, foreground
//   send HWND PID TEXT ["wide"|"narrow"]   WM_SETTEXT result
//   sendmany HWND PID PREFIX N [mode]      PREFIX0..PREFIX(N-1); elapsed ms
//   rows HWND [FIRST [COUNT|-1]]           [[cell, ...], ...]
//   rowcount HWND, waitrows HWND N [MS]    item count (waitrows: when >= N or at timeout)
//   selected HWND, selectrows HWND [I...]  selected rows / select exactly those
//   clickrow HWND I ["ctrl"|"shift"]       a posted mouse click on the row's first column
//   status HWND [PANE], toolbar HWND
//   command|sendcommand HWND ID            WM_COMMAND posted / sent
//   post|sendmsg HWND MSG [WPARAM [LPARAM]]
//   ping HWND MS                           ms until WM_NULL is answered; -1 past MS
//   dialogs [PID], waitdialog TITLE|null [PID [MS]]
//   settext HWND TEXT, gettext HWND, click DIALOG ID
//   savedialog PATH [PID [MS]]             fills in a file dialog and accepts it
//   clipboard, clearclipboard, sleep MS, quit
//   itemrect HWND I                        the row's bounds in the list's client area
//   rowpixel HWND I X                      [r, g, b] on screen at x = X in the row's middle
//   dblclickrow HWND I                     a posted double click on the row's first column
//   keys HWND VK ["ctrl"|"shift"|"ctrl+shift"]  a real key press (SendInput) into the
//                                          window, brought to the foreground first
//   winrect HWND, exstyle HWND             window rectangle [l, t, r, b] / extended style
//   placewindow HWND X Y CX CY             moves and sizes a top-level window
//   tooltip HWND ID                        a toolbar button's tooltip text
//   headerwidths HWND                      the list's column order and widths in that order
//   setcolumnorder HWND C0 C1 ...          the list's column order (as a header drag sets it)
//   memory PID                             {"private": bytes, "workingset": bytes}
//
// Controls of another process are read the way that works under Wine and on
// Windows alike: anything that carries a pointer (LVITEMW, RECT, TBBUTTON,
// status text) goes through a block allocated inside the target process, so
// the control writes into its own address space and we copy it back.
#include "Json.h"

#include <commctrl.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

using orlixtest::Json;

namespace {

constexpr DWORD kPollMs = 20;
constexpr UINT kLineSendTimeoutMs = 30000;
constexpr UINT kSendTimeoutMs = 10000;
constexpr UINT kTextTimeoutMs = 2000;
constexpr int kCellChars = 8192;

std::wstring Win32Error(const wchar_t* what, DWORD code)
{
    return std::wstring(what) + L" failed (error " + std::to_wstring(code) + L")";
}

std::wstring Win32Error(const wchar_t* what)
{
    return Win32Error(what, GetLastError());
}

ULONGLONG Now()
{
    return GetTickCount64();
}

// ----------------------------------------------------------- arguments ---

// One request: its arguments, its result and the first thing that went wrong.
class Call {
public:
    explicit Call(const std::vector<Json>& args) : args_(args) {}

    Json result;

    bool Fail(std::wstring message)
    {
        if (error_.empty())
            error_ = std::move(message);
        return false;
    }
    const std::wstring& Error() const { return error_; }

    bool Present(size_t i) const { return i < args_.size() && !args_[i].IsNull(); }

    bool Int(size_t i, long long& v)
    {
        if (i >= args_.size())
            return Fail(Name(i) + L" is missing");
        if (!args_[i].AsInteger(v))
            return Fail(Name(i) + L" must be an integer");
        return true;
    }
    bool IntOr(size_t i, long long fallback, long long& v)
    {
        if (!Present(i)) {
            v = fallback;
            return true;
        }
        return Int(i, v);
    }
    bool Window(size_t i, HWND& h)
    {
        long long v = 0;
        if (!Int(i, v))
            return false;
        h = reinterpret_cast<HWND>(static_cast<UINT_PTR>(v));
        return true;
    }
    // A handle that must name an existing window.
    bool LiveWindow(size_t i, HWND& h)
    {
        if (!Window(i, h))
            return false;
        if (!h || !IsWindow(h))
            return Fail(Name(i) + L" is not a window");
        return true;
    }
    bool Text(size_t i, std::wstring& s)
    {
        if (i >= args_.size())
            return Fail(Name(i) + L" is missing");
        if (!args_[i].IsString())
            return Fail(Name(i) + L" must be a string");
        s = args_[i].AsString();
        return true;
    }
    bool TextOr(size_t i, const wchar_t* fallback, std::wstring& s)
    {
        if (!Present(i)) {
            s = fallback;
            return true;
        }
        return Text(i, s);
    }
    bool TextOrNull(size_t i, std::optional<std::wstring>& s)
    {
        s.reset();
        if (!Present(i))
            return true;
        std::wstring v;
        if (!Text(i, v))
            return false;
        s = std::move(v);
        return true;
    }
    bool List(size_t i, const std::vector<Json>*& items)
    {
        if (i >= args_.size())
            return Fail(Name(i) + L" is missing");
        if (!args_[i].IsArray())
            return Fail(Name(i) + L" must be an array");
        items = &args_[i].Items();
        return true;
    }

private:
    static std::wstring Name(size_t i) { return L"argument " + std::to_wstring(i); }

    const std::vector<Json>& args_;
    std::wstring error_;
};

// ------------------------------------------------------------- windows ---

std::wstring ClassOf(HWND h)
{
    wchar_t buf[256];
    int n = GetClassNameW(h, buf, 256);
    return std::wstring(buf, n > 0 ? n : 0);
}

DWORD ProcessOf(HWND h)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    return pid;
}

BOOL CALLBACK CollectWindow(HWND h, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
    return TRUE;
}

// Every descendant, depth first in Z order (what EnumChildWindows walks).
std::vector<HWND> Descendants(HWND root)
{
    std::vector<HWND> all;
    EnumChildWindows(root, CollectWindow, reinterpret_cast<LPARAM>(&all));
    return all;
}

// The window itself when it is of that class, else its first descendant of it.
HWND FindOfClass(HWND root, const wchar_t* cls)
{
    if (lstrcmpiW(ClassOf(root).c_str(), cls) == 0)
        return root;
    for (HWND h : Descendants(root))
        if (lstrcmpiW(ClassOf(h).c_str(), cls) == 0)
            return h;
    return nullptr;
}

HWND FindById(HWND root, int id)
{
    for (HWND h : Descendants(root))
        if (GetDlgCtrlID(h) == id)
            return h;
    return nullptr;
}

// Why a SendMessageTimeout returned 0: a timeout does not always set
// ERROR_TIMEOUT, so the clock decides.
std::wstring SendFailure(const std::wstring& what, DWORD code, ULONGLONG start, UINT timeoutMs)
{
    if (code == ERROR_TIMEOUT || Now() - start >= timeoutMs)
        return L"no answer to " + what + L" within " + std::to_wstring(timeoutMs) + L" ms";
    return L"sending " + what + L" failed (error " + std::to_wstring(code) + L")";
}

bool SendTimeout(HWND h, UINT msg, WPARAM w, LPARAM l, UINT timeoutMs, LRESULT& result,
                 std::wstring& error)
{
    DWORD_PTR r = 0;
    ULONGLONG start = Now();
    SetLastError(0);
    if (!SendMessageTimeoutW(h, msg, w, l, SMTO_NORMAL, timeoutMs, &r)) {
        error = SendFailure(L"message " + std::to_wstring(msg), GetLastError(), start, timeoutMs);
        return false;
    }
    result = static_cast<LRESULT>(r);
    return true;
}

// A control's text as the control itself reports it (WM_GETTEXT is marshalled
// across processes for every window, so edits and combo boxes answer too).
std::wstring ControlText(HWND h)
{
    DWORD_PTR len = 0;
    if (SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs, &len)) {
        std::wstring buf(len + 64, L'\0');
        DWORD_PTR got = 0;
        if (SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(&buf[0]),
                                SMTO_ABORTIFHUNG, kTextTimeoutMs, &got)) {
            buf.resize(std::min<size_t>(got, buf.size() - 1));
            buf.resize(wcsnlen(buf.c_str(), buf.size()));
            return buf;
        }
    }
    wchar_t fallback[1024];
    int n = GetWindowTextW(h, fallback, 1024);
    return std::wstring(fallback, n > 0 ? n : 0);
}

std::wstring WindowTitle(HWND h)
{
    for (int size = GetWindowTextLengthW(h) + 64;; size *= 2) {
        std::wstring buf(size, L'\0');
        int n = GetWindowTextW(h, &buf[0], size);
        if (n < size - 1 || size > (1 << 20)) {
            buf.resize(n > 0 ? n : 0);
            return buf;
        }
    }
}

// ------------------------------------------------------ remote memory ---

// A block of read/write memory inside the process that owns a window; freed
// with the object.
class RemoteBlock {
public:
    RemoteBlock(HWND owner, SIZE_T size) : size_(size)
    {
        DWORD pid = ProcessOf(owner);
        if (!pid) {
            error_ = L"the window has no process";
            return;
        }
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               pid);
        if (!process_) {
            error_ = Win32Error(L"OpenProcess");
            return;
        }
        base_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!base_)
            error_ = Win32Error(L"VirtualAllocEx");
    }
    ~RemoteBlock()
    {
        if (base_)
            VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        if (process_)
            CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool Ok() const { return base_ != nullptr; }
    const std::wstring& Error() const { return error_; }
    LPARAM At(SIZE_T offset) const
    {
        return reinterpret_cast<LPARAM>(static_cast<BYTE*>(base_) + offset);
    }

    bool Write(SIZE_T offset, const void* data, SIZE_T n)
    {
        SIZE_T done = 0;
        if (offset + n > size_ ||
            !WriteProcessMemory(process_, reinterpret_cast<void*>(At(offset)), data, n, &done) ||
            done != n) {
            error_ = Win32Error(L"WriteProcessMemory");
            return false;
        }
        return true;
    }
    bool Read(SIZE_T offset, void* data, SIZE_T n)
    {
        SIZE_T done = 0;
        if (offset + n > size_ ||
            !ReadProcessMemory(process_, reinterpret_cast<void*>(At(offset)), data, n, &done) ||
            done != n) {
            error_ = Win32Error(L"ReadProcessMemory");
            return false;
        }
        return true;
    }
    // Up to maxChars WCHARs from offset, cut at the first NUL.
    bool ReadText(SIZE_T offset, SIZE_T maxChars, std::wstring& out)
    {
        maxChars = std::min(maxChars, (size_ - offset) / sizeof(wchar_t));
        out.assign(maxChars, L'\0');
        if (maxChars && !Read(offset, &out[0], maxChars * sizeof(wchar_t)))
            return false;
        out.resize(wcsnlen(out.c_str(), out.size()));
        return true;
    }

private:
    HANDLE process_ = nullptr;
    void* base_ = nullptr;
    SIZE_T size_;
    std::wstring error_;
};

// ----------------------------------------------------------- list view ---

bool ListViewArg(Call& c, size_t i, HWND& lv)
{
    HWND h;
    if (!c.LiveWindow(i, h))
        return false;
    lv = FindOfClass(h, WC_LISTVIEWW);
    return lv ? true : c.Fail(L"no list view in that window");
}

bool ItemCount(Call& c, HWND lv, long long& count)
{
    LRESULT r = 0;
    std::wstring err;
    if (!SendTimeout(lv, LVM_GETITEMCOUNT, 0, 0, kSendTimeoutMs, r, err))
        return c.Fail(err);
    count = r;
    return true;
}

int ColumnCount(HWND lv)
{
    DWORD_PTR header = 0, n = 0;
    if (SendMessageTimeoutW(lv, LVM_GETHEADER, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &header) &&
        header &&
        SendMessageTimeoutW(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, SMTO_NORMAL,
                            kSendTimeoutMs, &n) &&
        static_cast<int>(n) > 0)
        return static_cast<int>(n);
    return 1;
}

// Reads cells through one remote LVITEMW followed by its text buffer.
class CellReader {
public:
    explicit CellReader(HWND lv) : lv_(lv), block_(lv, sizeof(LVITEMW) + kCellChars * sizeof(wchar_t)) {}

    bool Ok(Call& c) const { return block_.Ok() ? true : c.Fail(block_.Error()); }

    bool Read(Call& c, int item, int sub, std::wstring& text)
    {
        // The item and an empty text behind it, in one write.
        struct {
            LVITEMW it;
            wchar_t nul;
        } head{};
        static_assert(offsetof(decltype(head), nul) == sizeof(LVITEMW));
        head.it.mask = LVIF_TEXT;
        head.it.iItem = item;
        head.it.iSubItem = sub;
        head.it.pszText = reinterpret_cast<LPWSTR>(block_.At(sizeof(LVITEMW)));
        head.it.cchTextMax = kCellChars;
        if (!block_.Write(0, &head, sizeof(LVITEMW) + sizeof(wchar_t)))
            return c.Fail(block_.Error());
        LRESULT len = 0;
        std::wstring err;
        if (!SendTimeout(lv_, LVM_GETITEMTEXTW, item, block_.At(0), kSendTimeoutMs, len, err))
            return c.Fail(err);
        SIZE_T chars = std::clamp<LRESULT>(len, 0, kCellChars - 1) + 1;
        if (!block_.ReadText(sizeof(LVITEMW), chars, text))
            return c.Fail(block_.Error());
        return true;
    }

private:
    HWND lv_;
    RemoteBlock block_;
};

// --------------------------------------------------------------- dialogs ---

Json DialogObject(HWND dlg)
{
    Json controls = Json::Array();
    for (HWND h : Descendants(dlg)) {
        controls.Push(Json::Object()
                          .Set(L"id", Json(GetDlgCtrlID(h)))
                          .Set(L"class", Json(ClassOf(h)))
                          .Set(L"text", Json(ControlText(h)))
                          .Set(L"hwnd", Json(h))
                          .Set(L"visible", Json(IsWindowVisible(h) != FALSE))
                          .Set(L"enabled", Json(IsWindowEnabled(h) != FALSE)));
    }
    return Json::Object()
        .Set(L"hwnd", Json(dlg))
        .Set(L"title", Json(WindowTitle(dlg)))
        .Set(L"pid", Json(ProcessOf(dlg)))
        .Set(L"controls", std::move(controls));
}

// Visible dialog boxes (class #32770), topmost first; of one process unless 0.
std::vector<HWND> VisibleDialogs(DWORD pid)
{
    std::vector<HWND> found;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&found));
    std::erase_if(found, [pid](HWND h) {
        return !IsWindowVisible(h) || ClassOf(h) != L"#32770" || (pid && ProcessOf(h) != pid);
    });
    return found;
}

// The file name box of a common file dialog: cmb13 (0x47C) in the
// Explorer-style dialog, edt1 (0x480) in the old one.
HWND FileNameControl(HWND dlg)
{
    if (HWND combo = FindById(dlg, 0x47C))
        return combo;
    HWND edit = FindById(dlg, 0x480);
    return edit && lstrcmpiW(ClassOf(edit).c_str(), L"Edit") == 0 ? edit : nullptr;
}

// ---------------------------------------------------------------- sending ---

bool SendLine(HWND h, WPARAM pid, const std::wstring& text, bool wide, LRESULT& result,
              std::wstring& error)
{
    DWORD_PTR r = 0;
    BOOL ok;
    ULONGLONG start = Now();
    SetLastError(0);
    if (wide) {
        ok = SendMessageTimeoutW(h, WM_SETTEXT, pid, reinterpret_cast<LPARAM>(text.c_str()),
                                 SMTO_NORMAL, kLineSendTimeoutMs, &r);
    } else {
        std::string narrow = orlixtest::WideToAnsi(text);
        ok = SendMessageTimeoutA(h, WM_SETTEXT, pid, reinterpret_cast<LPARAM>(narrow.c_str()),
                                 SMTO_NORMAL, kLineSendTimeoutMs, &r);
    }
    if (!ok) {
        error = SendFailure(L"WM_SETTEXT", GetLastError(), start, kLineSendTimeoutMs);
        return false;
    }
    result = static_cast<LRESULT>(r);
    return true;
}

bool ModeArg(Call& c, size_t i, bool& wide)
{
    std::wstring mode;
    if (!c.TextOr(i, L"wide", mode))
        return false;
    if (mode != L"wide" && mode != L"narrow")
        return c.Fail(L"mode must be \"wide\" or \"narrow\"");
    wide = mode == L"wide";
    return true;
}

// ---------------------------------------------------------------- commands ---

bool CmdFind(Call& c)
{
    std::optional<std::wstring> cls, title;
    long long timeout = 0;
    if (!c.TextOrNull(1, cls) || !c.TextOrNull(2, title) || !c.IntOr(3, 0, timeout))
        return false;
    ULONGLONG deadline = Now() + static_cast<ULONGLONG>(std::max(0LL, timeout));
    for (;;) {
        HWND h = FindWindowW(cls ? cls->c_str() : nullptr, title ? title->c_str() : nullptr);
        if (h || Now() >= deadline) {
            c.result = Json(h);
            return true;
        }
        Sleep(kPollMs);
    }
}

bool CmdSend(Call& c)
{
    HWND h;
    long long pid = 0;
    std::wstring text, err;
    bool wide = true;
    if (!c.LiveWindow(1, h) || !c.Int(2, pid) || !c.Text(3, text) || !ModeArg(c, 4, wide))
        return false;
    LRESULT r = 0;
    if (!SendLine(h, static_cast<WPARAM>(pid), text, wide, r, err))
        return c.Fail(err);
    c.result = Json(static_cast<long long>(r));
    return true;
}

bool CmdSendMany(Call& c)
{
    HWND h;
    long long pid = 0, count = 0;
    std::wstring prefix, err;
    bool wide = true;
    if (!c.LiveWindow(1, h) || !c.Int(2, pid) || !c.Text(3, prefix) || !c.Int(4, count) ||
        !ModeArg(c, 5, wide))
        return false;
    if (count < 0)
        return c.Fail(L"count must not be negative");
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    std::wstring line;
    for (long long i = 0; i < count; ++i) {
        line = prefix + std::to_wstring(i);
        LRESULT r = 0;
        if (!SendLine(h, static_cast<WPARAM>(pid), line, wide, r, err))
            return c.Fail(L"line " + std::to_wstring(i) + L": " + err);
    }
    QueryPerformanceCounter(&t1);
    c.result = Json(static_cast<double>(t1.QuadPart - t0.QuadPart) * 1000.0 /
                    static_cast<double>(freq.QuadPart));
    return true;
}

bool CmdRows(Call& c)
{
    HWND lv;
    long long first = 0, count = -1, total = 0;
    if (!ListViewArg(c, 1, lv) || !c.IntOr(2, 0, first) || !c.IntOr(3, -1, count) ||
        !ItemCount(c, lv, total))
        return false;
    if (first < 0)
        return c.Fail(L"first must not be negative");
    long long end = count < 0 ? total : std::min(total, first + count);
    int columns = ColumnCount(lv);
    CellReader cells(lv);
    if (!cells.Ok(c))
        return false;
    Json rows = Json::Array();
    for (long long i = first; i < end; ++i) {
        Json row = Json::Array();
        for (int col = 0; col < columns; ++col) {
            std::wstring text;
            if (!cells.Read(c, static_cast<int>(i), col, text))
                return false;
            row.Push(Json(std::move(text)));
        }
        rows.Push(std::move(row));
    }
    c.result = std::move(rows);
    return true;
}

bool CmdRowCount(Call& c)
{
    HWND lv;
    long long n = 0;
    if (!ListViewArg(c, 1, lv) || !ItemCount(c, lv, n))
        return false;
    c.result = Json(n);
    return true;
}

bool CmdWaitRows(Call& c)
{
    HWND lv;
    long long want = 0, timeout = 0, n = 0;
    if (!ListViewArg(c, 1, lv) || !c.Int(2, want) || !c.IntOr(3, 10000, timeout))
        return false;
    ULONGLONG deadline = Now() + static_cast<ULONGLONG>(std::max(0LL, timeout));
    for (;;) {
        if (!ItemCount(c, lv, n))
            return false;
        if (n >= want || Now() >= deadline)
            break;
        Sleep(kPollMs);
    }
    c.result = Json(n);
    return true;
}

bool CmdSelected(Call& c)
{
    HWND lv;
    if (!ListViewArg(c, 1, lv))
        return false;
    Json items = Json::Array();
    LRESULT i = -1;
    std::wstring err;
    for (;;) {
        if (!SendTimeout(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(i), MAKELPARAM(LVNI_SELECTED, 0),
                         kSendTimeoutMs, i, err))
            return c.Fail(err);
        if (i < 0)
            break;
        items.Push(Json(static_cast<long long>(i)));
    }
    c.result = std::move(items);
    return true;
}

bool CmdSelectRows(Call& c)
{
    HWND lv;
    const std::vector<Json>* indexes = nullptr;
    if (!ListViewArg(c, 1, lv) || !c.List(2, indexes))
        return false;
    std::vector<long long> rows;
    for (const Json& v : *indexes) {
        long long n = 0;
        if (!v.AsInteger(n) || n < 0)
            return c.Fail(L"row indexes must be integers >= 0");
        rows.push_back(n);
    }
    RemoteBlock block(lv, sizeof(LVITEMW));
    if (!block.Ok())
        return c.Fail(block.Error());
    auto setState = [&](long long index, UINT state) {
        LVITEMW it{};
        it.stateMask = LVIS_SELECTED;
        it.state = state;
        LRESULT r = 0;
        std::wstring err;
        if (!block.Write(0, &it, sizeof it))
            return c.Fail(block.Error());
        if (!SendTimeout(lv, LVM_SETITEMSTATE, static_cast<WPARAM>(index), block.At(0),
                         kSendTimeoutMs, r, err))
            return c.Fail(err);
        if (!r)
            return c.Fail(L"the list view refused to change row " + std::to_wstring(index));
        return true;
    };
    if (!setState(-1, 0))
        return false;
    for (long long n : rows)
        if (!setState(n, LVIS_SELECTED))
            return false;
    c.result = Json(true);
    return true;
}

bool CmdClickRow(Call& c)
{
    HWND lv;
    long long index = 0;
    std::wstring mods;
    if (!ListViewArg(c, 1, lv) || !c.Int(2, index) || !c.TextOr(3, L"", mods))
        return false;
    WPARAM keys = 0;
    if (mods.find(L"ctrl") != std::wstring::npos)
        keys |= MK_CONTROL;
    if (mods.find(L"shift") != std::wstring::npos)
        keys |= MK_SHIFT;

    RemoteBlock block(lv, sizeof(RECT));
    if (!block.Ok())
        return c.Fail(block.Error());
    RECT r{};
    r.left = LVIR_BOUNDS;
    LRESULT ok = 0;
    std::wstring err;
    if (!block.Write(0, &r, sizeof r))
        return c.Fail(block.Error());
    if (!SendTimeout(lv, LVM_GETITEMRECT, static_cast<WPARAM>(index), block.At(0), kSendTimeoutMs,
                     ok, err))
        return c.Fail(err);
    if (!ok)
        return c.Fail(L"no row " + std::to_wstring(index));
    if (!block.Read(0, &r, sizeof r))
        return c.Fail(block.Error());

    // Aim at the middle of the visible part of the first column, below the
    // header: the spot a person would click.
    RECT client{};
    GetClientRect(lv, &client);
    LRESULT width = 0;
    if (!SendTimeout(lv, LVM_GETCOLUMNWIDTH, 0, 0, kSendTimeoutMs, width, err))
        return c.Fail(err);
    LONG right = width > 0 ? std::min<LONG>(r.right, r.left + static_cast<LONG>(width)) : r.right;
    LONG left = std::max(r.left, client.left);
    right = std::min(right, client.right);
    LONG top = client.top;
    DWORD_PTR header = 0;
    if (SendMessageTimeoutW(lv, LVM_GETHEADER, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &header) &&
        header && IsWindowVisible(reinterpret_cast<HWND>(header))) {
        RECT hr{};
        GetWindowRect(reinterpret_cast<HWND>(header), &hr);
        top += hr.bottom - hr.top;
    }
    LONG y = (r.top + r.bottom) / 2;
    if (right <= left || y < top || y >= client.bottom)
        return c.Fail(L"row " + std::to_wstring(index) + L" is not visible");
    LONG x = (left + right) / 2;
    LPARAM at = MAKELPARAM(x, y);
    if (!PostMessageW(lv, WM_LBUTTONDOWN, MK_LBUTTON | keys, at) ||
        !PostMessageW(lv, WM_LBUTTONUP, keys, at))
        return c.Fail(Win32Error(L"PostMessage"));
    c.result = Json(true);
    return true;
}

// The row's bounds in the list's client area.
bool RowRect(Call& c, HWND lv, long long index, RECT& r)
{
    RemoteBlock block(lv, sizeof(RECT));
    if (!block.Ok())
        return c.Fail(block.Error());
    r = RECT{};
    r.left = LVIR_BOUNDS;
    LRESULT ok = 0;
    std::wstring err;
    if (!block.Write(0, &r, sizeof r))
        return c.Fail(block.Error());
    if (!SendTimeout(lv, LVM_GETITEMRECT, static_cast<WPARAM>(index), block.At(0), kSendTimeoutMs,
                     ok, err))
        return c.Fail(err);
    if (!ok)
        return c.Fail(L"no row " + std::to_wstring(index));
    if (!block.Read(0, &r, sizeof r))
        return c.Fail(block.Error());
    return true;
}

bool CmdItemRect(Call& c)
{
    HWND lv;
    long long index = 0;
    RECT r;
    if (!ListViewArg(c, 1, lv) || !c.Int(2, index) || !RowRect(c, lv, index, r))
        return false;
    c.result = Json::Array()
                   .Push(Json(static_cast<long long>(r.left)))
                   .Push(Json(static_cast<long long>(r.top)))
                   .Push(Json(static_cast<long long>(r.right)))
                   .Push(Json(static_cast<long long>(r.bottom)));
    return true;
}

// The screen's pixel at a window's client point, as [r, g, b]: the colours
// really painted.
bool PixelAt(Call& c, HWND h, POINT pt)
{
    ClientToScreen(h, &pt);
    HDC screen = GetDC(nullptr);
    if (!screen)
        return c.Fail(Win32Error(L"GetDC"));
    COLORREF px = GetPixel(screen, pt.x, pt.y);
    ReleaseDC(nullptr, screen);
    if (px == CLR_INVALID)
        return c.Fail(L"no pixel at that point");
    c.result = Json::Array()
                   .Push(Json(static_cast<long long>(GetRValue(px))))
                   .Push(Json(static_cast<long long>(GetGValue(px))))
                   .Push(Json(static_cast<long long>(GetBValue(px))));
    return true;
}

// A list row's pixel `x` units into it, halfway down.
bool CmdRowPixel(Call& c)
{
    HWND lv;
    long long index = 0, x = 0;
    RECT r;
    if (!ListViewArg(c, 1, lv) || !c.Int(2, index) || !c.Int(3, x) || !RowRect(c, lv, index, r))
        return false;
    return PixelAt(c, lv, { static_cast<LONG>(r.left + x), (r.top + r.bottom) / 2 });
}

bool CmdPixel(Call& c)
{
    HWND h;
    long long x = 0, y = 0;
    if (!c.LiveWindow(1, h) || !c.Int(2, x) || !c.Int(3, y))
        return false;
    return PixelAt(c, h, { static_cast<LONG>(x), static_cast<LONG>(y) });
}

bool CmdDblClickRow(Call& c)
{
    HWND lv;
    long long index = 0;
    RECT r;
    if (!ListViewArg(c, 1, lv) || !c.Int(2, index) || !RowRect(c, lv, index, r))
        return false;
    RECT client{};
    GetClientRect(lv, &client);
    LONG y = (r.top + r.bottom) / 2;
    if (y < client.top || y >= client.bottom)
        return c.Fail(L"row " + std::to_wstring(index) + L" is not visible");
    LPARAM at = MAKELPARAM(std::max<LONG>(r.left, 0) + 20, y);
    if (!PostMessageW(lv, WM_LBUTTONDOWN, MK_LBUTTON, at) ||
        !PostMessageW(lv, WM_LBUTTONUP, 0, at) ||
        !PostMessageW(lv, WM_LBUTTONDBLCLK, MK_LBUTTON, at) ||
        !PostMessageW(lv, WM_LBUTTONUP, 0, at))
        return c.Fail(Win32Error(L"PostMessage"));
    c.result = Json(true);
    return true;
}

bool CmdKeys(Call& c)
{
    HWND h;
    long long vk = 0;
    std::wstring mods;
    if (!c.LiveWindow(1, h) || !c.Int(2, vk) || !c.TextOr(3, L"", mods))
        return false;
    HWND top = GetAncestor(h, GA_ROOT);
    SetForegroundWindow(top);
    for (int i = 0; i < 50 && GetForegroundWindow() != top; ++i)
        Sleep(kPollMs);
    if (h != top)
        SetFocus(h);
    std::vector<WORD> held;
    if (mods.find(L"ctrl") != std::wstring::npos)
        held.push_back(VK_CONTROL);
    if (mods.find(L"shift") != std::wstring::npos)
        held.push_back(VK_SHIFT);
    std::vector<INPUT> in;
    auto key = [&](WORD k, bool up) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        i.ki.wScan = static_cast<WORD>(MapVirtualKeyW(k, MAPVK_VK_TO_VSC));
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    for (WORD k : held)
        key(k, false);
    key(static_cast<WORD>(vk), false);
    key(static_cast<WORD>(vk), true);
    for (auto it = held.rbegin(); it != held.rend(); ++it)
        key(*it, true);
    UINT sent = SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    if (sent != in.size())
        return c.Fail(Win32Error(L"SendInput"));
    c.result = Json(GetForegroundWindow() == top);
    return true;
}

// A command of one live window whose answer is a function of it.
template <class Answer>
bool AnswerFor(Call& c, Answer answer)
{
    HWND h;
    if (!c.LiveWindow(1, h))
        return false;
    c.result = Json(answer(h));
    return true;
}

bool CmdTitle(Call& c)
{
    return AnswerFor(c, [](HWND h) { return WindowTitle(h); });
}

bool CmdClass(Call& c)
{
    return AnswerFor(c, [](HWND h) { return ClassOf(h); });
}

bool CmdPid(Call& c)
{
    return AnswerFor(c, [](HWND h) { return ProcessOf(h); });
}

bool CmdExists(Call& c)
{
    HWND h;
    if (!c.Window(1, h))
        return false;
    c.result = Json(h && IsWindow(h));
    return true;
}

bool CmdVisible(Call& c)
{
    HWND h;
    if (!c.Window(1, h))
        return false;
    c.result = Json(h && IsWindowVisible(h));
    return true;
}

// A window's rectangle [left, top, right, bottom]: on the screen, or with
// "client" its client area.
bool CmdRect(Call& c)
{
    HWND h;
    std::wstring which;
    if (!c.LiveWindow(1, h) || !c.TextOr(2, L"window", which))
        return false;
    RECT rc{};
    BOOL ok = which == L"client" ? GetClientRect(h, &rc) : GetWindowRect(h, &rc);
    if (!ok)
        return c.Fail(Win32Error(L"GetWindowRect"));
    c.result = Json::Array()
                   .Push(Json(rc.left))
                   .Push(Json(rc.top))
                   .Push(Json(rc.right))
                   .Push(Json(rc.bottom));
    return true;
}

// Tells a top-level window it is now on a screen of `dpi`, with the
// rectangle Windows would suggest (WM_DPICHANGED; the rectangle lives in the
// window's process).
bool CmdDpiChanged(Call& c)
{
    HWND h;
    long long dpi = 0, l = 0, t = 0, r = 0, b = 0;
    if (!c.LiveWindow(1, h) || !c.Int(2, dpi) || !c.Int(3, l) || !c.Int(4, t) || !c.Int(5, r) ||
        !c.Int(6, b))
        return false;
    RECT rc{ static_cast<LONG>(l), static_cast<LONG>(t), static_cast<LONG>(r),
             static_cast<LONG>(b) };
    RemoteBlock block(h, sizeof rc);
    if (!block.Ok() || !block.Write(0, &rc, sizeof rc))
        return c.Fail(block.Error());
    LRESULT res = 0;
    std::wstring err;
    WPARAM w = MAKEWPARAM(static_cast<WORD>(dpi), static_cast<WORD>(dpi));
    if (!SendTimeout(h, 0x02E0 /* WM_DPICHANGED */, w, block.At(0), kSendTimeoutMs, res, err))
        return c.Fail(err);
    c.result = Json(static_cast<long long>(res));
    return true;
}

// A descendant by class and/or control id (null for either: any), or 0.
bool CmdChild(Call& c)
{
    HWND h;
    std::optional<std::wstring> cls;
    long long id = 0;
    bool anyId = !c.Present(3);
    if (!c.LiveWindow(1, h) || !c.TextOrNull(2, cls) || (!anyId && !c.Int(3, id)))
        return false;
    HWND found = nullptr;
    for (HWND child : Descendants(h)) {
        if ((!cls || lstrcmpiW(ClassOf(child).c_str(), cls->c_str()) == 0) &&
            (anyId || GetDlgCtrlID(child) == id)) {
            found = child;
            break;
        }
    }
    c.result = Json(found);
    return true;
}

bool CmdForeground(Call& c)
{
    c.result = Json(GetForegroundWindow());
    return true;
}

bool CmdStatus(Call& c)
{
    HWND h;
    long long pane = 0;
    if (!c.LiveWindow(1, h) || !c.IntOr(2, 0, pane))
        return false;
    HWND sb = FindOfClass(h, STATUSCLASSNAMEW);
    if (!sb)
        return c.Fail(L"no status bar in that window");
    LRESULT len = 0;
    std::wstring err;
    if (!SendTimeout(sb, SB_GETTEXTLENGTHW, static_cast<WPARAM>(pane), 0, kSendTimeoutMs, len, err))
        return c.Fail(err);
    // SB_GETTEXT takes no buffer size: leave room for text that grows meanwhile.
    SIZE_T chars = LOWORD(len) + 1 + 4096;
    RemoteBlock block(sb, chars * sizeof(wchar_t));
    if (!block.Ok())
        return c.Fail(block.Error());
    wchar_t nul = 0;
    if (!block.Write(0, &nul, sizeof nul))
        return c.Fail(block.Error());
    if (!SendTimeout(sb, SB_GETTEXTW, static_cast<WPARAM>(pane), block.At(0), kSendTimeoutMs, len,
                     err))
        return c.Fail(err);
    std::wstring text;
    if (!block.ReadText(0, std::min<SIZE_T>(LOWORD(len) + 1, chars), text))
        return c.Fail(block.Error());
    c.result = Json(std::move(text));
    return true;
}

bool CmdToolbar(Call& c)
{
    HWND h;
    if (!c.LiveWindow(1, h))
        return false;
    HWND tb = FindOfClass(h, TOOLBARCLASSNAMEW);
    if (!tb)
        return c.Fail(L"no toolbar in that window");
    LRESULT count = 0;
    std::wstring err;
    if (!SendTimeout(tb, TB_BUTTONCOUNT, 0, 0, kSendTimeoutMs, count, err))
        return c.Fail(err);
    RemoteBlock block(tb, sizeof(TBBUTTON));
    if (!block.Ok())
        return c.Fail(block.Error());
    Json buttons = Json::Array();
    for (int i = 0; i < count; ++i) {
        TBBUTTON b{};
        LRESULT ok = 0;
        if (!block.Write(0, &b, sizeof b))
            return c.Fail(block.Error());
        if (!SendTimeout(tb, TB_GETBUTTON, i, block.At(0), kSendTimeoutMs, ok, err))
            return c.Fail(err);
        if (!ok)
            return c.Fail(L"TB_GETBUTTON failed for button " + std::to_wstring(i));
        if (!block.Read(0, &b, sizeof b))
            return c.Fail(block.Error());
        bool separator = (b.fsStyle & BTNS_SEP) != 0;
        LRESULT state = b.fsState, checked = 0, enabled = 0;
        // A separator's id is usually 0 and may be shared: its own state says it all.
        if (!separator) {
            if (!SendTimeout(tb, TB_GETSTATE, b.idCommand, 0, kSendTimeoutMs, state, err) ||
                !SendTimeout(tb, TB_ISBUTTONCHECKED, b.idCommand, 0, kSendTimeoutMs, checked, err) ||
                !SendTimeout(tb, TB_ISBUTTONENABLED, b.idCommand, 0, kSendTimeoutMs, enabled, err))
                return c.Fail(err);
            if (state == -1)
                state = b.fsState;
        } else {
            checked = (b.fsState & TBSTATE_CHECKED) != 0;
            enabled = (b.fsState & TBSTATE_ENABLED) != 0;
        }
        buttons.Push(Json::Object()
                         .Set(L"index", Json(i))
                         .Set(L"id", Json(b.idCommand))
                         .Set(L"image", Json(b.iBitmap))
                         .Set(L"state", Json(static_cast<long long>(state)))
                         .Set(L"style", Json(static_cast<int>(b.fsStyle)))
                         .Set(L"checked", Json(checked != 0))
                         .Set(L"enabled", Json(enabled != 0))
                         .Set(L"separator", Json(separator)));
    }
    c.result = std::move(buttons);
    return true;
}

bool CmdWinRect(Call& c)
{
    HWND h;
    if (!c.LiveWindow(1, h))
        return false;
    RECT rc{};
    if (!GetWindowRect(h, &rc))
        return c.Fail(Win32Error(L"GetWindowRect"));
    c.result = Json::Array();
    c.result.Push(Json(rc.left)).Push(Json(rc.top)).Push(Json(rc.right)).Push(Json(rc.bottom));
    return true;
}

bool CmdExStyle(Call& c)
{
    return AnswerFor(c, [](HWND h) { return static_cast<long long>(GetWindowLongW(h, GWL_EXSTYLE)); });
}

bool CmdPlaceWindow(Call& c)
{
    HWND h;
    long long x = 0, y = 0, cx = 0, cy = 0;
    if (!c.LiveWindow(1, h) || !c.Int(2, x) || !c.Int(3, y) || !c.Int(4, cx) || !c.Int(5, cy))
        return false;
    c.result = Json(SetWindowPos(h, nullptr, static_cast<int>(x), static_cast<int>(y),
                                 static_cast<int>(cx), static_cast<int>(cy),
                                 SWP_NOZORDER | SWP_NOACTIVATE) != FALSE);
    return true;
}

// The tooltip control asks the toolbar's owner for the text of a callback
// tool, as it does when the mouse rests on the button.
bool CmdTooltip(Call& c)
{
    HWND h;
    long long id = 0;
    if (!c.LiveWindow(1, h) || !c.Int(2, id))
        return false;
    HWND tb = FindOfClass(h, TOOLBARCLASSNAMEW);
    if (!tb)
        return c.Fail(L"no toolbar in that window");
    LRESULT r = 0;
    std::wstring err;
    if (!SendTimeout(tb, TB_GETTOOLTIPS, 0, 0, kSendTimeoutMs, r, err))
        return c.Fail(err);
    HWND tip = reinterpret_cast<HWND>(r);
    if (!tip)
        return c.Fail(L"the toolbar has no tooltips");
    const SIZE_T textChars = 1024;
    RemoteBlock block(tb, sizeof(TTTOOLINFOW) + textChars * sizeof(wchar_t));
    if (!block.Ok())
        return c.Fail(block.Error());
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = tb;
    ti.uId = static_cast<UINT_PTR>(id);
    ti.lpszText = reinterpret_cast<LPWSTR>(block.At(sizeof ti));
    wchar_t nul = 0;
    if (!block.Write(0, &ti, sizeof ti) || !block.Write(sizeof ti, &nul, sizeof nul))
        return c.Fail(block.Error());
    if (!SendTimeout(tip, TTM_GETTEXTW, textChars, block.At(0), kSendTimeoutMs, r, err))
        return c.Fail(err);
    std::wstring text;
    if (!block.ReadText(sizeof ti, textChars, text))
        return c.Fail(block.Error());
    c.result = Json(text);
    return true;
}

bool CmdHeaderWidths(Call& c)
{
    HWND h;
    if (!c.LiveWindow(1, h))
        return false;
    HWND lv = FindOfClass(h, WC_LISTVIEWW);
    if (!lv)
        return c.Fail(L"no list in that window");
    HWND header = FindOfClass(lv, WC_HEADERW);
    LRESULT n = 0;
    std::wstring err;
    if (!header || !SendTimeout(header, HDM_GETITEMCOUNT, 0, 0, kSendTimeoutMs, n, err))
        return c.Fail(err.empty() ? L"no header" : err);
    RemoteBlock block(lv, 64 * sizeof(int));
    if (!block.Ok() || n > 64)
        return c.Fail(block.Error());
    LRESULT ok = 0;
    if (!SendTimeout(lv, LVM_GETCOLUMNORDERARRAY, static_cast<WPARAM>(n), block.At(0),
                     kSendTimeoutMs, ok, err))
        return c.Fail(err);
    std::vector<int> order(static_cast<size_t>(n));
    if (n && !block.Read(0, order.data(), order.size() * sizeof(int)))
        return c.Fail(block.Error());
    Json widths = Json::Array();
    Json orderJson = Json::Array();
    for (int col : order) {
        LRESULT w = 0;
        if (!SendTimeout(lv, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(col), 0, kSendTimeoutMs, w,
                         err))
            return c.Fail(err);
        widths.Push(Json(static_cast<long long>(w)));
        orderJson.Push(Json(col));
    }
    c.result = Json::Object().Set(L"order", std::move(orderJson)).Set(L"widths", std::move(widths));
    return true;
}

bool CmdSetColumnOrder(Call& c)
{
    HWND h;
    if (!c.LiveWindow(1, h))
        return false;
    HWND lv = FindOfClass(h, WC_LISTVIEWW);
    if (!lv)
        return c.Fail(L"no list in that window");
    std::vector<int> order;
    for (size_t i = 2;; ++i) {
        long long v = 0;
        if (!c.IntOr(i, -1, v) || v < 0)
            break;
        order.push_back(static_cast<int>(v));
    }
    if (order.empty())
        return c.Fail(L"no columns given");
    RemoteBlock block(lv, order.size() * sizeof(int));
    if (!block.Ok() || !block.Write(0, order.data(), order.size() * sizeof(int)))
        return c.Fail(block.Error());
    LRESULT ok = 0;
    std::wstring err;
    if (!SendTimeout(lv, LVM_SETCOLUMNORDERARRAY, order.size(), block.At(0), kSendTimeoutMs, ok,
                     err))
        return c.Fail(err);
    InvalidateRect(lv, nullptr, TRUE);
    c.result = Json(ok != 0);
    return true;
}

bool CmdMemory(Call& c)
{
    long long pid = 0;
    if (!c.Int(1, pid))
        return false;
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                           static_cast<DWORD>(pid));
    if (!p)
        return c.Fail(Win32Error(L"OpenProcess"));
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    BOOL ok = GetProcessMemoryInfo(p, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    CloseHandle(p);
    if (!ok)
        return c.Fail(Win32Error(L"GetProcessMemoryInfo"));
    c.result = Json::Object()
                   .Set(L"private", Json(static_cast<long long>(pmc.PrivateUsage)))
                   .Set(L"workingset", Json(static_cast<long long>(pmc.WorkingSetSize)));
    return true;
}

bool CmdCommand(Call& c)
{
    HWND h;
    long long id = 0;
    if (!c.LiveWindow(1, h) || !c.Int(2, id))
        return false;
    c.result = Json(PostMessageW(h, WM_COMMAND, MAKEWPARAM(id, 0), 0) != FALSE);
    return true;
}

bool CmdSendCommand(Call& c)
{
    HWND h;
    long long id = 0;
    if (!c.LiveWindow(1, h) || !c.Int(2, id))
        return false;
    LRESULT r = 0;
    std::wstring err;
    if (!SendTimeout(h, WM_COMMAND, MAKEWPARAM(id, 0), 0, kSendTimeoutMs, r, err))
        return c.Fail(err);
    c.result = Json(static_cast<long long>(r));
    return true;
}

bool MessageArgs(Call& c, HWND& h, UINT& msg, WPARAM& w, LPARAM& l)
{
    long long m = 0, wp = 0, lp = 0;
    if (!c.Window(1, h) || !c.Int(2, m) || !c.IntOr(3, 0, wp) || !c.IntOr(4, 0, lp))
        return false;
    msg = static_cast<UINT>(m);
    w = static_cast<WPARAM>(wp);
    l = static_cast<LPARAM>(lp);
    return true;
}

bool CmdPost(Call& c)
{
    HWND h;
    UINT msg;
    WPARAM w;
    LPARAM l;
    if (!MessageArgs(c, h, msg, w, l))
        return false;
    c.result = Json(PostMessageW(h, msg, w, l) != FALSE);
    return true;
}

bool CmdSendMsg(Call& c)
{
    HWND h;
    UINT msg;
    WPARAM w;
    LPARAM l;
    if (!MessageArgs(c, h, msg, w, l))
        return false;
    if (!IsWindow(h))
        return c.Fail(L"argument 1 is not a window");
    LRESULT r = 0;
    std::wstring err;
    if (!SendTimeout(h, msg, w, l, kSendTimeoutMs, r, err))
        return c.Fail(err);
    c.result = Json(static_cast<long long>(r));
    return true;
}

bool CmdPing(Call& c)
{
    HWND h;
    long long ms = 0;
    if (!c.LiveWindow(1, h) || !c.Int(2, ms))
        return false;
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    DWORD_PTR r = 0;
    BOOL ok = SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(ms), &r);
    QueryPerformanceCounter(&t1);
    c.result = Json(ok ? static_cast<double>(t1.QuadPart - t0.QuadPart) * 1000.0 /
                             static_cast<double>(freq.QuadPart)
                       : -1.0);
    return true;
}

bool CmdDialogs(Call& c)
{
    long long pid = 0;
    if (!c.IntOr(1, 0, pid))
        return false;
    Json list = Json::Array();
    for (HWND h : VisibleDialogs(static_cast<DWORD>(pid)))
        list.Push(DialogObject(h));
    c.result = std::move(list);
    return true;
}

bool CmdWaitDialog(Call& c)
{
    std::optional<std::wstring> title;
    long long pid = 0, timeout = 0;
    if (!c.TextOrNull(1, title) || !c.IntOr(2, 0, pid) || !c.IntOr(3, 10000, timeout))
        return false;
    ULONGLONG deadline = Now() + static_cast<ULONGLONG>(std::max(0LL, timeout));
    for (;;) {
        for (HWND h : VisibleDialogs(static_cast<DWORD>(pid))) {
            if (!title || WindowTitle(h) == *title) {
                c.result = DialogObject(h);
                return true;
            }
        }
        if (Now() >= deadline)
            break;
        Sleep(kPollMs);
    }
    c.result = Json();
    return true;
}

bool CmdSetText(Call& c)
{
    HWND h;
    std::wstring text, err;
    if (!c.LiveWindow(1, h) || !c.Text(2, text))
        return false;
    LRESULT r = 0;
    if (!SendTimeout(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), kSendTimeoutMs, r,
                     err))
        return c.Fail(err);
    c.result = Json(static_cast<long long>(r));
    return true;
}

bool CmdGetText(Call& c)
{
    return AnswerFor(c, [](HWND h) { return ControlText(h); });
}

bool CmdClick(Call& c)
{
    HWND dlg;
    long long id = 0;
    if (!c.LiveWindow(1, dlg) || !c.Int(2, id))
        return false;
    HWND ctrl = GetDlgItem(dlg, static_cast<int>(id));
    if (!ctrl)
        ctrl = FindById(dlg, static_cast<int>(id));
    c.result = Json(PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(ctrl)) != FALSE);
    return true;
}

bool CmdSaveDialog(Call& c)
{
    std::wstring path;
    long long pid = 0, timeout = 0;
    if (!c.Text(1, path) || !c.IntOr(2, 0, pid) || !c.IntOr(3, 10000, timeout))
        return false;
    ULONGLONG deadline = Now() + static_cast<ULONGLONG>(std::max(0LL, timeout));
    HWND dlg = nullptr, name = nullptr;
    while (!dlg) {
        for (HWND h : VisibleDialogs(static_cast<DWORD>(pid))) {
            if ((name = FileNameControl(h)) != nullptr) {
                dlg = h;
                break;
            }
        }
        if (dlg)
            break;
        if (Now() >= deadline)
            return c.Fail(L"no file dialog appeared within " + std::to_wstring(timeout) + L" ms");
        Sleep(kPollMs);
    }
    // The combo box reports its edit's text, so the edit is the one to set;
    // the combo itself is the fallback when it has no edit of its own.
    HWND edit = FindOfClass(name, L"Edit");
    LRESULT r = 0;
    std::wstring err;
    if (!SendTimeout(edit ? edit : name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                     kSendTimeoutMs, r, err))
        return c.Fail(err);
    if (ControlText(name) != path &&
        !SendTimeout(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), kSendTimeoutMs,
                     r, err))
        return c.Fail(err);
    if (ControlText(name) != path)
        return c.Fail(L"the file dialog did not take the name");
    // Posted: accepting may open a nested box (e.g. "replace?") that a send
    // would wait on.
    if (!PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                      reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK))))
        return c.Fail(Win32Error(L"PostMessage"));
    c.result = Json(true);
    return true;
}

bool OpenClipboardPatiently()
{
    // Another process may hold the clipboard for a moment.
    for (int i = 0; i < 100; ++i) {
        if (OpenClipboard(nullptr))
            return true;
        Sleep(kPollMs);
    }
    return false;
}

bool CmdClipboard(Call& c)
{
    if (!OpenClipboardPatiently())
        return c.Fail(Win32Error(L"OpenClipboard"));
    c.result = Json();
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            SIZE_T chars = GlobalSize(data) / sizeof(wchar_t);
            c.result = Json(std::wstring(p, wcsnlen(p, chars)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return true;
}

bool CmdClearClipboard(Call& c)
{
    if (!OpenClipboardPatiently())
        return c.Fail(Win32Error(L"OpenClipboard"));
    BOOL ok = EmptyClipboard();
    DWORD code = GetLastError();
    CloseClipboard();
    if (!ok)
        return c.Fail(Win32Error(L"EmptyClipboard", code));
    c.result = Json(true);
    return true;
}

bool CmdSleep(Call& c)
{
    long long ms = 0;
    if (!c.Int(1, ms))
        return false;
    if (ms < 0 || ms > 600000)
        return c.Fail(L"sleep takes 0..600000 ms");
    Sleep(static_cast<DWORD>(ms));
    c.result = Json(true);
    return true;
}

// ["freeze", hwnd, ms]: holds the window's thread still for ms (suspended),
// as a long operation on it would; answers once it runs again.
bool CmdFreeze(Call& c)
{
    HWND h;
    long long ms = 0;
    if (!c.LiveWindow(1, h) || !c.Int(2, ms))
        return false;
    if (ms < 0 || ms > 600000)
        return c.Fail(L"ms must be 0..600000");
    DWORD tid = GetWindowThreadProcessId(h, nullptr);
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, tid);
    if (!thread)
        return c.Fail(L"cannot open the window's thread");
    bool ok = SuspendThread(thread) != static_cast<DWORD>(-1);
    if (ok) {
        Sleep(static_cast<DWORD>(ms));
        ResumeThread(thread);
    }
    CloseHandle(thread);
    if (!ok)
        return c.Fail(L"cannot suspend the window's thread");
    c.result = Json(true);
    return true;
}

bool CmdQuit(Call& c)
{
    c.result = Json(true);
    return true;
}

struct Command {
    const wchar_t* name;
    bool (*run)(Call&);
};

const Command kCommands[] = {
    {L"find", CmdFind},
    {L"send", CmdSend},
    {L"sendmany", CmdSendMany},
    {L"rows", CmdRows},
    {L"rowcount", CmdRowCount},
    {L"waitrows", CmdWaitRows},
    {L"selected", CmdSelected},
    {L"selectrows", CmdSelectRows},
    {L"clickrow", CmdClickRow},
    {L"itemrect", CmdItemRect},
    {L"rowpixel", CmdRowPixel},
    {L"pixel", CmdPixel},
    {L"dblclickrow", CmdDblClickRow},
    {L"keys", CmdKeys},
    {L"title", CmdTitle},
    {L"class", CmdClass},
    {L"pid", CmdPid},
    {L"exists", CmdExists},
    {L"visible", CmdVisible},
    {L"child", CmdChild},
    {L"rect", CmdRect},
    {L"dpichanged", CmdDpiChanged},
    {L"foreground", CmdForeground},
    {L"status", CmdStatus},
    {L"toolbar", CmdToolbar},
    {L"command", CmdCommand},
    {L"sendcommand", CmdSendCommand},
    {L"post", CmdPost},
    {L"sendmsg", CmdSendMsg},
    {L"ping", CmdPing},
    {L"dialogs", CmdDialogs},
    {L"waitdialog", CmdWaitDialog},
    {L"settext", CmdSetText},
    {L"gettext", CmdGetText},
    {L"click", CmdClick},
    {L"savedialog", CmdSaveDialog},
    {L"freeze", CmdFreeze},
    {L"clipboard", CmdClipboard},
    {L"clearclipboard", CmdClearClipboard},
    {L"sleep", CmdSleep},
    {L"quit", CmdQuit},
    {L"winrect", CmdWinRect},
    {L"exstyle", CmdExStyle},
    {L"placewindow", CmdPlaceWindow},
    {L"tooltip", CmdTooltip},
    {L"headerwidths", CmdHeaderWidths},
    {L"setcolumnorder", CmdSetColumnOrder},
    {L"memory", CmdMemory},
};

Json Failure(const std::wstring& message)
{
    return Json::Object().Set(L"ok", Json(false)).Set(L"error", Json(message));
}

// Answers one request line; sets quit for ["quit"].
Json Serve(const std::string& line, bool& quit)
{
    Json request;
    std::wstring error;
    if (!orlixtest::ParseJson(orlixtest::Utf8ToWide(line), request, error))
        return Failure(L"bad request: " + error);
    if (!request.IsArray() || request.Items().empty() || !request.Items()[0].IsString())
        return Failure(L"bad request: expected [\"command\", arg, ...]");
    const std::wstring& name = request.Items()[0].AsString();
    for (const Command& cmd : kCommands) {
        if (name != cmd.name)
            continue;
        Call call(request.Items());
        if (!cmd.run(call))
            return Failure(call.Error().empty() ? L"failed" : call.Error());
        quit = name == L"quit";
        return Json::Object().Set(L"ok", Json(true)).Set(L"result", std::move(call.result));
    }
    return Failure(L"unknown command: " + name);
}

}  // namespace

int wmain()
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    orlixtest::StdinLines lines(GetStdHandle(STD_INPUT_HANDLE));
    std::string line;
    bool quit = false;
    while (!quit && lines.Next(line)) {
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        Json reply;
        try {
            reply = Serve(line, quit);
        } catch (const std::exception& e) {
            reply = Failure(L"internal error: " + orlixtest::AnsiToWide(e.what()));
        }
        if (!orlixtest::WriteLine(out, orlixtest::ToJson(reply)))
            return 1;
    }
    return 0;
}
