// Language files beside the executable, the language submenu, translated
// menus, dialogs and status-bar prompts, and the shipped English file; all
// inside this process, with the whole viewer running where it matters.
#include "ViewerFixture.h"
#include "resources/resource.h"
#include "resources/version.h"
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// The whole viewer in this process, started on the settings file the test
// left beside the executable (a saved choice is what several tests are
// about).
struct Viewer : InProcessViewer {
    Viewer() : InProcessViewer(true) {}
};

const wchar_t kDefaultText[] = L"默认语言";

bool Checked(UINT state) { return state != static_cast<UINT>(-1) && (state & MF_CHECKED); }

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The profile functions keep files in a cache of their own: flush it before
// a file goes, or a later read of the same name can still find the old keys.
void RemoveProfileFile(const std::wstring& path)
{
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
    ::DeleteFileW(path.c_str());
}

std::wstring ReadProfile(const std::wstring& path, LPCWSTR section, LPCWSTR key)
{
    wchar_t buf[2048] = {};
    ::GetPrivateProfileStringW(section, key, L"", buf, 2048, path.c_str());
    return buf;
}

std::wstring Setting() { return ReadProfile(GetSettingsFilePath(), L"Main", L"Language"); }

void SaveSetting(const std::wstring& value)
{
    ASSERT_TRUE(::WritePrivateProfileStringW(L"Main", L"Language", value.c_str(),
                                             GetSettingsFilePath().c_str()));
}

// Key names of one section, in file order.
std::vector<std::wstring> SectionKeys(const std::wstring& path, LPCWSTR section)
{
    std::vector<wchar_t> buf(65536);
    DWORD n = ::GetPrivateProfileStringW(section, nullptr, L"", buf.data(),
                                         static_cast<DWORD>(buf.size()), path.c_str());
    std::vector<std::wstring> keys;
    for (DWORD i = 0; i < n;) {
        std::wstring k(&buf[i]);
        if (k.empty())
            break;
        keys.push_back(k);
        i += static_cast<DWORD>(k.size()) + 1;
    }
    return keys;
}

// The names matching *.lng beside the executable, in the listing's order.
std::vector<std::wstring> Listing()
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((GetModuleDirectory() + L"*.lng").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(fd.cFileName);
    while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    return names;
}

std::wstring WithoutExtension(const std::wstring& name) { return name.substr(0, name.size() - 4); }

bool HasChinese(const std::wstring& s)
{
    for (wchar_t c : s)
        if ((c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
            (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x3000 && c <= 0x303F))
            return true;
    return false;
}

std::wstring TextByPosition(HMENU menu, int pos)
{
    wchar_t buf[1100] = {};
    ::GetMenuStringW(menu, pos, buf, 1100, MF_BYPOSITION);
    return buf;
}

std::wstring TextById(HMENU menu, UINT id)
{
    wchar_t buf[1100] = {};
    if (::GetMenuStringW(menu, id, buf, 1100, MF_BYCOMMAND) == 0 &&
        ::GetMenuState(menu, id, MF_BYCOMMAND) == static_cast<UINT>(-1))
        return L"<no item>";
    return buf;
}

// Every text of a menu under its language-file key ("|p" paths for items
// that open a submenu, the command id for the others); separators left out.
void CollectMenu(HMENU menu, const std::wstring& parent, std::map<std::wstring, std::wstring>& out)
{
    for (int p = 0; p < ::GetMenuItemCount(menu); ++p) {
        MENUITEMINFOW mi = { sizeof(mi) };
        mi.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
        ASSERT_TRUE(::GetMenuItemInfoW(menu, p, TRUE, &mi));
        if (mi.fType & MFT_SEPARATOR)
            continue;
        std::wstring key = mi.hSubMenu ? parent + L"|" + std::to_wstring(p)
                                       : std::to_wstring(mi.wID);
        out[key] = TextByPosition(menu, p);
        if (mi.hSubMenu)
            CollectMenu(mi.hSubMenu, key, out);
    }
}

std::map<std::wstring, std::wstring> MenuTexts(HMENU menu)
{
    std::map<std::wstring, std::wstring> out;
    CollectMenu(menu, L"", out);
    return out;
}

std::map<std::wstring, std::wstring> BuiltInMenuTexts()
{
    HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    EXPECT_NE(menu, nullptr);
    auto texts = MenuTexts(menu);
    ::DestroyMenu(menu);
    return texts;
}

HMENU LanguageSubmenu(Viewer& v)
{
    return ::GetSubMenu(::GetSubMenu(::GetMenu(v.frame->m_hWnd), 2), 3);
}

// Command id of the language entry with this text; 0 when there is none.
UINT EntryId(Viewer& v, const std::wstring& label)
{
    HMENU sub = LanguageSubmenu(v);
    for (int p = 0; p < ::GetMenuItemCount(sub); ++p)
        if (TextByPosition(sub, p) == label)
            return ::GetMenuItemID(sub, p);
    return 0;
}

std::wstring StatusText(Viewer& v)
{
    wchar_t buf[2048] = {};
    HWND sb = v.frame->m_statusBar.m_hWnd;
    if (LOWORD(::SendMessageW(sb, SB_GETTEXTLENGTHW, 0, 0)) < 2048)
        ::SendMessageW(sb, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buf));
    return buf;
}

void SetStatusText(Viewer& v, LPCWSTR text)
{
    ::SendMessageW(v.frame->m_statusBar.m_hWnd, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text));
}

LRESULT Highlight(Viewer& v, UINT id, UINT flags = MF_HILITE)
{
    // A closing menu reports flags 0xFFFF and no menu.
    LPARAM menu = flags == 0xFFFF ? 0 : reinterpret_cast<LPARAM>(::GetMenu(v.frame->m_hWnd));
    return ::SendMessageW(v.frame->m_hWnd, WM_MENUSELECT, MAKEWPARAM(id, flags), menu);
}

std::wstring FaceOf(HFONT font)
{
    LOGFONTW lf = {};
    if (!font || !::GetObjectW(font, sizeof(lf), &lf))
        return L"<no font>";
    return lf.lfFaceName;
}

// What a dialog of this process showed once it was up: caption, texts and
// fonts by control id. Read from a helper thread while the test's thread
// runs the modal loop; the dialog is then closed with `button`.
struct DialogSnapshot {
    bool found = false;
    std::wstring caption;
    std::wstring dialogFace; // the fonts go with the dialog: their faces are kept
    std::map<int, std::wstring> texts;
    std::map<int, HFONT> fonts;
    std::map<int, std::wstring> faces;
};

class DialogReader {
public:
    explicit DialogReader(int button) : m_button(button)
    {
        m_thread = ::CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~DialogReader() { Wait(); }
    DialogSnapshot Wait()
    {
        if (m_thread) {
            ::WaitForSingleObject(m_thread, 15000);
            ::CloseHandle(m_thread);
            m_thread = nullptr;
        }
        return m_shot;
    }

private:
    static BOOL CALLBACK Collect(HWND child, LPARAM lp)
    {
        auto* shot = reinterpret_cast<DialogSnapshot*>(lp);
        int id = ::GetDlgCtrlID(child) & 0xFFFF;
        std::vector<wchar_t> buf(16384);
        ::GetWindowTextW(child, buf.data(), static_cast<int>(buf.size()));
        shot->texts[id] = buf.data();
        shot->fonts[id] = reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0));
        shot->faces[id] = FaceOf(shot->fonts[id]);
        return TRUE;
    }
    static DWORD WINAPI Run(LPVOID p)
    {
        auto* self = static_cast<DialogReader*>(p);
        for (int i = 0; i < 1000; ++i) {
            HWND w = nullptr;
            while ((w = ::FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr) {
                DWORD pid = 0;
                ::GetWindowThreadProcessId(w, &pid);
                if (pid != ::GetCurrentProcessId() || !::IsWindowVisible(w))
                    continue;
                DialogSnapshot& shot = self->m_shot;
                shot.found = true;
                wchar_t buf[1024] = {};
                ::GetWindowTextW(w, buf, 1024);
                shot.caption = buf;
                shot.dialogFace =
                    FaceOf(reinterpret_cast<HFONT>(::SendMessageW(w, WM_GETFONT, 0, 0)));
                ::EnumChildWindows(w, Collect, reinterpret_cast<LPARAM>(&shot));
                ::PostMessageW(w, WM_COMMAND, MAKEWPARAM(self->m_button, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(w, self->m_button)));
                return 0;
            }
            ::Sleep(10);
        }
        return 1;
    }
    int m_button;
    HANDLE m_thread = nullptr;
    DialogSnapshot m_shot;
};

DialogSnapshot OpenDialog(Viewer& v, UINT command, int closeWith)
{
    DialogReader reader(closeWith);
    v.Command(command);
    return reader.Wait();
}

// Every control of a dialog template, created without showing it.
struct TemplateControl {
    int id;
    std::wstring text;
    DWORD style;
    std::wstring className;
};

INT_PTR CALLBACK SilentDialogProc(HWND, UINT msg, WPARAM, LPARAM)
{
    return msg == WM_INITDIALOG;
}

std::vector<TemplateControl> TemplateControls(UINT dialogId, std::wstring* caption)
{
    std::vector<TemplateControl> out;
    HWND dlg = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialogId),
                                    nullptr, SilentDialogProc, 0);
    EXPECT_NE(dlg, nullptr) << dialogId;
    if (!dlg)
        return out;
    wchar_t buf[1024] = {};
    ::GetWindowTextW(dlg, buf, 1024);
    *caption = buf;
    for (HWND c = ::GetWindow(dlg, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        buf[0] = 0;
        ::GetWindowTextW(c, buf, 1024);
        wchar_t cls[64] = {};
        ::GetClassNameW(c, cls, 64);
        out.push_back({ ::GetDlgCtrlID(c) & 0xFFFF, buf,
                        static_cast<DWORD>(::GetWindowLongW(c, GWL_STYLE)), cls });
    }
    ::DestroyWindow(dlg);
    return out;
}

} // namespace

// Every test starts as a fresh process would: no language current, no
// settings file, and only the language files the test writes itself (the
// shipped ones beside the executable are moved aside for the time).
class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLanguageState();
        m_dir = GetModuleDirectory();
        ASSERT_FALSE(m_dir.empty());
        m_aside = m_dir + L"shipped-lng-aside\\";
        ::CreateDirectoryW(m_aside.c_str(), nullptr);
        for (const auto& name : Listing()) {
            ASSERT_TRUE(::MoveFileW((m_dir + name).c_str(), (m_aside + name).c_str()))
                << ::GetLastError();
            m_movedAside.push_back(name);
        }
        RemoveProfileFile(GetSettingsFilePath());
        m_paramIniExisted = Exists(m_dir + L"param.ini");
    }

    void TearDown() override
    {
        ResetLanguageState();
        for (const auto& path : m_created)
            RemoveProfileFile(path);
        for (const auto& name : m_movedAside)
            ::MoveFileW((m_aside + name).c_str(), (m_dir + name).c_str());
        ::RemoveDirectoryW(m_aside.c_str());
        RemoveProfileFile(GetSettingsFilePath());
        if (!m_paramIniExisted)
            ::DeleteFileW((m_dir + L"param.ini").c_str());
    }

    // The start values of the process-wide language state.
    static void ResetLanguageState()
    {
        g_szLanguageFile[0] = 0;
        g_dialogFont.reset();
        g_nLastLanguageId = ID_LANGUAGE_DEFAULT;
        g_nCheckedLanguageId = ID_LANGUAGE_DEFAULT;
        g_szUIText[0] = 0;
    }

    // Writes a language file beside the executable: UTF-16 LE with a BOM,
    // as the shipped files are. `body` uses "\n" between lines.
    std::wstring WriteLanguageFile(const std::wstring& name, const std::wstring& body)
    {
        std::wstring path = m_dir + name;
        std::wstring text = L"\xFEFF";
        for (wchar_t c : body) {
            if (c == L'\n')
                text += L'\r';
            text += c;
        }
        HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                 nullptr);
        EXPECT_NE(f, INVALID_HANDLE_VALUE) << name.c_str();
        DWORD put = 0;
        ::WriteFile(f, text.data(), static_cast<DWORD>(text.size() * 2), &put, nullptr);
        ::CloseHandle(f);
        m_created.push_back(path);
        return path;
    }

    // A fresh copy of a shipped language file beside the executable.
    std::wstring RestoreShipped(const std::wstring& name)
    {
        std::wstring path = m_dir + name;
        EXPECT_TRUE(::CopyFileW((m_aside + name).c_str(), path.c_str(), TRUE)) << name.c_str();
        m_created.push_back(path);
        return path;
    }

    std::wstring m_dir;
    std::wstring m_aside;
    std::vector<std::wstring> m_movedAside;
    std::vector<std::wstring> m_created;
    bool m_paramIniExisted = false;
};

TEST_F(LanguageTest, SavedChoiceRenamesMenuItemsByIdAndSubmenusByPositionKeys)
{
    WriteLanguageFile(L"Deutsch.lng",
                      L"[Language]\nLanguage=1031\nDescription=Deutsche Texte\n"
                      L"[128]\n|0=&Datei\n|2|3=Sprache\n32790=Standardsprache\n"
                      L"32776=Erfassen\n57601=Ö&ffnen...\tStrg+O\n");
    SaveSetting(L"1031");
    Viewer v;
    ASSERT_TRUE(v.ok);
    HMENU bar = ::GetMenu(v.frame->m_hWnd);
    EXPECT_STREQ(g_szLanguageFile, (m_dir + L"Deutsch.lng").c_str());
    EXPECT_EQ(TextByPosition(bar, 0), L"&Datei");
    EXPECT_EQ(TextByPosition(::GetSubMenu(bar, 2), 3), L"Sprache");
    EXPECT_EQ(TextById(bar, ID_LANGUAGE_DEFAULT), L"Standardsprache");
    EXPECT_EQ(TextById(bar, ID_CAPTURE), L"Erfassen");
    EXPECT_EQ(TextById(bar, ID_FILE_OPEN), L"Ö&ffnen...\tStrg+O");
    // Items the file does not name keep their built-in texts.
    EXPECT_EQ(TextByPosition(bar, 1), L"编辑(&E)");
    EXPECT_EQ(TextById(bar, ID_CLEAR), L"清除");
    EXPECT_EQ(TextById(bar, ID_APP_ABOUT), L"关于 Orlix(&A)...");

    // The submenu: the built-in entry, a separator, then the file by name.
    HMENU sub = LanguageSubmenu(v);
    ASSERT_EQ(::GetMenuItemCount(sub), 3);
    EXPECT_EQ(::GetMenuItemID(sub, 0), static_cast<UINT>(ID_LANGUAGE_DEFAULT));
    EXPECT_NE(::GetMenuState(sub, 1, MF_BYPOSITION) & MF_SEPARATOR, 0u);
    EXPECT_EQ(::GetMenuItemID(sub, 2), static_cast<UINT>(ID_LANGUAGE_FIRST));
    EXPECT_EQ(TextByPosition(sub, 2), L"Deutsch");
    EXPECT_EQ(g_nCheckedLanguageId, static_cast<UINT>(ID_LANGUAGE_FIRST));
    EXPECT_TRUE(Checked(v.MenuState(ID_LANGUAGE_FIRST)));
    EXPECT_FALSE(Checked(v.MenuState(ID_LANGUAGE_DEFAULT)));
    EXPECT_EQ(Setting(), L"1031");
}

TEST_F(LanguageTest, SwitchingKeepsEarlierTextsForMissingKeysAndDefaultRestoresAll)
{
    WriteLanguageFile(L"Alpha.lng",
                      L"[Language]\nLanguage=1031\nDescription=Alpha description\n"
                      L"[128]\n|0=Alpha File\n|2|3=Alpha Languages\n32790=Alpha Default\n"
                      L"32776=Alpha Capture\n32774=Alpha Clear\n");
    WriteLanguageFile(L"Beta.lng",
                      L"[Language]\nLanguage=1036\n[String]\n32778=Beta picks this\n"
                      L"[128]\n|1=Beta Edit\n32774=Beta Clear\n");
    Viewer v;
    ASSERT_TRUE(v.ok);
    HMENU bar = ::GetMenu(v.frame->m_hWnd);
    const auto builtIn = MenuTexts(bar);
    for (const auto& [key, text] : BuiltInMenuTexts()) {
        ASSERT_TRUE(builtIn.count(key)) << key.c_str();
        EXPECT_EQ(builtIn.at(key), text) << key.c_str();
    }
    EXPECT_TRUE(Checked(v.MenuState(ID_LANGUAGE_DEFAULT)));
    UINT alpha = EntryId(v, L"Alpha"), beta = EntryId(v, L"Beta");
    ASSERT_NE(alpha, 0u);
    ASSERT_NE(beta, 0u);

    EXPECT_TRUE(v.Command(alpha));
    EXPECT_EQ(TextByPosition(bar, 0), L"Alpha File");
    EXPECT_EQ(TextByPosition(::GetSubMenu(bar, 2), 3), L"Alpha Languages");
    EXPECT_EQ(TextById(bar, ID_LANGUAGE_DEFAULT), L"Alpha Default");
    EXPECT_EQ(TextById(bar, ID_CAPTURE), L"Alpha Capture");
    EXPECT_EQ(TextById(bar, ID_CLEAR), L"Alpha Clear");
    EXPECT_TRUE(Checked(v.MenuState(alpha)));
    EXPECT_FALSE(Checked(v.MenuState(ID_LANGUAGE_DEFAULT)));
    EXPECT_EQ(Setting(), L"1031");
    EXPECT_EQ(StatusText(v), L"Alpha description");

    // Beta lacks most keys: those items keep Alpha's texts.
    EXPECT_TRUE(v.Command(beta));
    EXPECT_EQ(TextByPosition(bar, 0), L"Alpha File");
    EXPECT_EQ(TextById(bar, ID_CAPTURE), L"Alpha Capture");
    EXPECT_EQ(TextById(bar, ID_LANGUAGE_DEFAULT), L"Alpha Default");
    EXPECT_EQ(TextByPosition(bar, 1), L"Beta Edit");
    EXPECT_EQ(TextById(bar, ID_CLEAR), L"Beta Clear");
    EXPECT_TRUE(Checked(v.MenuState(beta)));
    EXPECT_FALSE(Checked(v.MenuState(alpha)));
    EXPECT_EQ(Setting(), L"1036");
    EXPECT_EQ(StatusText(v), L"Beta picks this") << "no description: string 32778 of Beta";

    // The checked entry again: nothing happens, not even the save.
    SaveSetting(L"7");
    SetStatusText(v, L"marker");
    v.Command(beta);
    EXPECT_EQ(Setting(), L"7");
    EXPECT_EQ(StatusText(v), L"marker");

    EXPECT_TRUE(v.Command(ID_LANGUAGE_DEFAULT));
    EXPECT_EQ(MenuTexts(bar), builtIn) << "every built-in text is back, entries keep their names";
    EXPECT_STREQ(g_szLanguageFile, L"");
    EXPECT_TRUE(Checked(v.MenuState(ID_LANGUAGE_DEFAULT)));
    EXPECT_FALSE(Checked(v.MenuState(beta)));
    EXPECT_EQ(Setting(), L"0");
    EXPECT_EQ(StatusText(v), kDefaultText);
    Highlight(v, ID_CAPTURE);
    EXPECT_EQ(StatusText(v), L"Capture") << "the built-in prompt again";
}

TEST_F(LanguageTest, StatusBarShowsThePromptsOfTheCurrentFile)
{
    WriteLanguageFile(L"Prompts.lng",
                      L"[Language]\nLanguage=1031\nDescription=Prompt texts\n"
                      L"[String]\n32776=Own capture prompt\n32774=" + std::wstring(1500, L'x') +
                          L"\n");
    WriteLanguageFile(L"Plain.lng", L"[Language]\nLanguage=1036\n");
    SaveSetting(L"1031");
    Viewer v;
    ASSERT_TRUE(v.ok);
    EXPECT_EQ(Highlight(v, ID_CAPTURE), 1);
    EXPECT_EQ(StatusText(v), L"Own capture prompt");
    Highlight(v, ID_FILE_OPEN);
    EXPECT_EQ(StatusText(v), L"打开一个现有文档") << "a key the file lacks: the built-in prompt";
    // The menu closing (item 0) has no text anywhere: the prompt stays.
    EXPECT_EQ(Highlight(v, 0, 0xFFFF), 1);
    EXPECT_EQ(StatusText(v), L"打开一个现有文档");
    Highlight(v, ID_CLEAR);
    EXPECT_EQ(StatusText(v), std::wstring(1023, L'x')) << "values are cut to 1023 units";
    // Language entries show their file's description, else string 32778.
    Highlight(v, EntryId(v, L"Prompts"));
    EXPECT_EQ(StatusText(v), L"Prompt texts");
    Highlight(v, EntryId(v, L"Plain"));
    EXPECT_EQ(StatusText(v), L"FirstLanguage");
}

TEST_F(LanguageTest, FiftyFilesGiveFortyNineEntries)
{
    for (int i = 0; i < 50; ++i) {
        wchar_t name[32], body[64];
        wsprintfW(name, L"L%02d.lng", i);
        wsprintfW(body, L"[Language]\nLanguage=%d\n", 1100 + i);
        WriteLanguageFile(name, body);
    }
    const auto listed = Listing();
    ASSERT_EQ(listed.size(), 50u);
    auto idOf = [&](size_t k) {
        return std::to_wstring(::GetPrivateProfileIntW(L"Language", L"Language", 0,
                                                       (m_dir + listed[k]).c_str()));
    };
    SaveSetting(idOf(48));
    Viewer v;
    ASSERT_TRUE(v.ok);
    HMENU sub = LanguageSubmenu(v);
    ASSERT_EQ(::GetMenuItemCount(sub), 2 + 49);
    for (int k = 0; k < 49; ++k) {
        EXPECT_EQ(::GetMenuItemID(sub, 2 + k), static_cast<UINT>(ID_LANGUAGE_FIRST + k)) << k;
        EXPECT_EQ(TextByPosition(sub, 2 + k), WithoutExtension(listed[k])) << k;
    }
    EXPECT_EQ(g_nLastLanguageId, static_cast<UINT>(ID_LANGUAGE_LAST));
    EXPECT_TRUE(Checked(v.MenuState(ID_LANGUAGE_LAST)));
    EXPECT_STREQ(g_szLanguageFile, (m_dir + listed[48]).c_str());
    // The entries below the last one work like any other.
    EXPECT_TRUE(v.Command(ID_LANGUAGE_LAST - 1));
    EXPECT_STREQ(g_szLanguageFile, (m_dir + listed[47]).c_str());
    EXPECT_EQ(Setting(), idOf(47));
    EXPECT_TRUE(Checked(v.MenuState(ID_LANGUAGE_LAST - 1)));
    EXPECT_FALSE(Checked(v.MenuState(ID_LANGUAGE_LAST)));
}

TEST_F(LanguageTest, TwoFilesWithOneIdFirstListedIsCurrentLastListedIsChecked)
{
    WriteLanguageFile(L"SameA.lng", L"[Language]\nLanguage=1031\n[128]\n32776=A capture\n");
    WriteLanguageFile(L"SameB.lng", L"[Language]\nLanguage=1031\n[128]\n32776=B capture\n");
    const auto listed = Listing();
    ASSERT_EQ(listed.size(), 2u);
    SaveSetting(L"1031");
    Viewer v;
    ASSERT_TRUE(v.ok);
    EXPECT_STREQ(g_szLanguageFile, (m_dir + listed[0]).c_str());
    EXPECT_EQ(TextById(::GetMenu(v.frame->m_hWnd), ID_CAPTURE),
              listed[0] == L"SameA.lng" ? L"A capture" : L"B capture");
    UINT first = EntryId(v, WithoutExtension(listed[0]));
    UINT last = EntryId(v, WithoutExtension(listed[1]));
    EXPECT_EQ(first, static_cast<UINT>(ID_LANGUAGE_FIRST));
    EXPECT_EQ(last, static_cast<UINT>(ID_LANGUAGE_FIRST + 1));
    EXPECT_EQ(g_nCheckedLanguageId, last);
    EXPECT_TRUE(Checked(v.MenuState(last)));
    EXPECT_FALSE(Checked(v.MenuState(first)));
}

TEST_F(LanguageTest, FirstStartTakesTheFileOfTheUsersDefaultLanguage)
{
    const UINT mine = ::GetUserDefaultLangID();
    WriteLanguageFile(L"Other.lng", L"[Language]\nLanguage=" +
                                        std::to_wstring(mine == 1031 ? 1036 : 1031) + L"\n");
    WriteLanguageFile(L"Mine.lng", L"[Language]\nLanguage=" + std::to_wstring(mine) +
                                       L"\n[128]\n32776=My capture\n");
    ASSERT_FALSE(Exists(GetSettingsFilePath()));
    Viewer v;
    ASSERT_TRUE(v.ok);
    EXPECT_STREQ(g_szLanguageFile, (m_dir + L"Mine.lng").c_str());
    EXPECT_EQ(Setting(), std::to_wstring(mine));
    EXPECT_EQ(TextById(::GetMenu(v.frame->m_hWnd), ID_CAPTURE), L"My capture");
    EXPECT_TRUE(Checked(v.MenuState(EntryId(v, L"Mine"))));
    EXPECT_FALSE(Checked(v.MenuState(EntryId(v, L"Other"))));
}

TEST_F(LanguageTest, SavedZeroOrAnUnknownIdKeepsTheBuiltInTexts)
{
    const UINT mine = ::GetUserDefaultLangID();
    WriteLanguageFile(L"Mine.lng", L"[Language]\nLanguage=" + std::to_wstring(mine) +
                                       L"\n[128]\n32776=My capture\n");
    for (const wchar_t* saved : { L"0", L"1049" }) {
        SCOPED_TRACE(saved);
        SaveSetting(saved);
        {
            Viewer v;
            ASSERT_TRUE(v.ok);
            EXPECT_STREQ(g_szLanguageFile, L"");
            EXPECT_EQ(TextById(::GetMenu(v.frame->m_hWnd), ID_CAPTURE), L"捕获");
            EXPECT_TRUE(Checked(v.MenuState(ID_LANGUAGE_DEFAULT)));
            EXPECT_FALSE(Checked(v.MenuState(EntryId(v, L"Mine"))));
            EXPECT_EQ(Setting(), saved) << "nothing is written at start";
        }
        ResetLanguageState();
    }
}

TEST_F(LanguageTest, WithoutLanguageFilesTheSubmenuHoldsOnlyTheBuiltInEntry)
{
    Viewer v;
    ASSERT_TRUE(v.ok);
    HMENU sub = LanguageSubmenu(v);
    ASSERT_EQ(::GetMenuItemCount(sub), 1) << "no separator either";
    EXPECT_EQ(TextByPosition(sub, 0), kDefaultText);
    EXPECT_TRUE(Checked(v.MenuState(ID_LANGUAGE_DEFAULT)));
    EXPECT_FALSE(Exists(GetSettingsFilePath()));
}

TEST(DialogFontHeight, FollowsTheDisplayResolutionRoundingHalvesAway)
{
    EXPECT_EQ(DialogFontHeight(9, 96), -12);
    EXPECT_EQ(DialogFontHeight(9, 120), -15);
    EXPECT_EQ(DialogFontHeight(9, 100), -13) << "12.5";
    EXPECT_EQ(DialogFontHeight(3, 12), -1) << "0.5";
    EXPECT_EQ(DialogFontHeight(7, 96), -9) << "9.33";
    EXPECT_EQ(DialogFontHeight(0, 96), 0);
}

TEST_F(LanguageTest, DialogFontComesFromTheCurrentFile)
{
    HDC ic = ::CreateICW(L"DISPLAY", nullptr, nullptr, nullptr);
    ASSERT_NE(ic, nullptr);
    const int dpi = ::GetDeviceCaps(ic, LOGPIXELSY);
    ::DeleteDC(ic);

    std::wstring sized = WriteLanguageFile(
        L"Sized.lng", L"[Language]\nLanguage=1031\nFontName=Tahoma\nFontSize=9\n");
    lstrcpynW(g_szLanguageFile, sized.c_str(), MAX_PATH);
    ApplyLanguage(nullptr, 0x20407); // compared and saved by its low 16 bits
    EXPECT_EQ(Setting(), L"1031");
    ASSERT_NE(g_dialogFont.get(), nullptr);
    LOGFONTW lf = {};
    ASSERT_TRUE(::GetObjectW(g_dialogFont.get(), sizeof(lf), &lf));
    EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
    EXPECT_EQ(lf.lfHeight, DialogFontHeight(9, dpi)) << dpi;
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(lf.lfWeight, 0);
    HFONT first = g_dialogFont.get();

    std::wstring unsized = WriteLanguageFile(
        L"Unsized.lng", L"[Language]\nLanguage=1036\nFontName=" + std::wstring(40, L'F') + L"\n");
    lstrcpynW(g_szLanguageFile, unsized.c_str(), MAX_PATH);
    ApplyLanguage(nullptr, 1036);
    EXPECT_EQ(::GetObjectType(first), 0u) << "the earlier font is freed";
    ASSERT_NE(g_dialogFont.get(), nullptr);
    ASSERT_TRUE(::GetObjectW(g_dialogFont.get(), sizeof(lf), &lf));
    EXPECT_EQ(lf.lfHeight, 0) << "no size: the mapper's default height";
    EXPECT_EQ(std::wstring(lf.lfFaceName), std::wstring(31, L'F'));

    std::wstring none = WriteLanguageFile(L"NoFont.lng", L"[Language]\nLanguage=1040\n");
    lstrcpynW(g_szLanguageFile, none.c_str(), MAX_PATH);
    ApplyLanguage(nullptr, 1040);
    EXPECT_EQ(g_dialogFont.get(), nullptr);
    EXPECT_EQ(Setting(), L"1040");
}

TEST_F(LanguageTest, DialogsTakeTheTextsAndFontOfTheCurrentFileWhenTheyOpen)
{
    WriteLanguageFile(L"Dialogs.lng",
                      L"[Language]\nLanguage=1031\nFontName=Tahoma\nFontSize=11\n"
                      L"[130]\n0=Filter caption\n1=Take\n2=Drop\n1003=Has\n1004=Lacks\n"
                      L"1000=never shown\n1001=never shown\n"
                      L"[100]\n0=About caption\n1=Fine\n65535=A static line\n"
                      L"1001=never shown\n1002=never shown\n");
    SaveSetting(L"1031");
    Viewer v;
    ASSERT_TRUE(v.ok);
    ASSERT_NE(g_dialogFont.get(), nullptr);
    v.view->GetCapture().m_filter.SetFilters(L"inc", L"exc");
    std::wstring include, exclude;
    v.view->GetCapture().m_filter.GetFilters(include, exclude);

    DialogSnapshot filter = OpenDialog(v, ID_FILTER, IDCANCEL);
    ASSERT_TRUE(filter.found);
    EXPECT_EQ(filter.caption, L"Filter caption");
    EXPECT_EQ(filter.texts[IDOK], L"Take");
    EXPECT_EQ(filter.texts[IDCANCEL], L"Drop");
    EXPECT_EQ(filter.texts[IDC_INCLUDE_LABEL], L"Has");
    EXPECT_EQ(filter.texts[IDC_EXCLUDE_LABEL], L"Lacks");
    EXPECT_EQ(filter.texts[IDC_INCLUDE], include) << "the filter is set after the translation";
    EXPECT_EQ(filter.texts[IDC_EXCLUDE], exclude);
    for (const auto& [id, font] : filter.fonts) {
        EXPECT_EQ(font, g_dialogFont.get()) << id;
        EXPECT_EQ(filter.faces[id], L"Tahoma") << id;
    }

    DialogSnapshot about = OpenDialog(v, ID_APP_ABOUT, IDOK);
    ASSERT_TRUE(about.found);
    EXPECT_EQ(about.caption, L"About caption");
    EXPECT_EQ(about.texts[IDOK], L"Fine");
    EXPECT_EQ(about.texts[65535], L"A static line");
    EXPECT_EQ(about.texts[IDC_PROGRAM_LINE], L"Orlixv" ORLIX_VERSION_STRING);
    EXPECT_EQ(about.texts[IDC_SAMPLE_TEXT], AboutSampleText());
    EXPECT_EQ(about.fonts[IDOK], g_dialogFont.get());

    // Under the built-in language a dialog keeps its resource texts and font.
    EXPECT_TRUE(v.Command(ID_LANGUAGE_DEFAULT));
    EXPECT_EQ(g_dialogFont.get(), nullptr);
    DialogSnapshot plain = OpenDialog(v, ID_FILTER, IDCANCEL);
    ASSERT_TRUE(plain.found);
    EXPECT_EQ(plain.caption, L"调试信息过滤设置");
    EXPECT_EQ(plain.texts[IDOK], L"确定");
    EXPECT_EQ(plain.texts[IDCANCEL], L"取消");
    EXPECT_EQ(plain.texts[IDC_INCLUDE_LABEL], L"包　含");
    EXPECT_EQ(plain.texts[IDC_EXCLUDE_LABEL], L"不包含");
    EXPECT_EQ(plain.dialogFace, L"宋体");
    for (const auto& [id, face] : plain.faces)
        EXPECT_EQ(face, L"宋体") << id;
}

// The shipped English file names every text the user sees: every menu item
// and submenu of menu 128, the prompt of every menu command, and every
// control of both dialogs whose text the dialog does not set itself. And
// it names nothing that is not there, which would hint at drifted ids.
TEST_F(LanguageTest, ShippedEnglishFileCoversEveryMenuItemPromptAndDialogControl)
{
    const std::wstring english = m_aside + L"English.lng";
    ASSERT_TRUE(Exists(english)) << "English.lng is not beside the executable";
    EXPECT_EQ(::GetPrivateProfileIntW(L"Language", L"Language", 0, english.c_str()), 1033u);
    EXPECT_FALSE(ReadProfile(english, L"Language", L"Description").empty());
    const std::wstring face = ReadProfile(english, L"Language", L"FontName");
    EXPECT_FALSE(face.empty());
    EXPECT_LT(face.size(), static_cast<size_t>(LF_FACESIZE));
    const UINT size = ::GetPrivateProfileIntW(L"Language", L"FontSize", 0, english.c_str());
    EXPECT_GE(size, 8u);
    EXPECT_LE(size, 12u);

    auto value = [&](LPCWSTR section, const std::wstring& key) {
        return ReadProfile(english, section, key.c_str());
    };
    const auto builtIn = BuiltInMenuTexts();
    std::set<std::wstring> commandIds;
    for (const auto& [key, text] : builtIn) {
        std::wstring en = value(L"128", key);
        EXPECT_FALSE(en.empty()) << "[128] " << key.c_str();
        EXPECT_FALSE(HasChinese(en)) << "[128] " << key.c_str();
        // A shortcut shown after a tab stays the same shortcut.
        size_t tab = text.find(L'\t');
        if (tab != std::wstring::npos && !en.empty()) {
            size_t enTab = en.find(L'\t');
            EXPECT_TRUE(enTab != std::wstring::npos &&
                        en.substr(enTab) == text.substr(tab)) << "[128] " << key.c_str();
        }
        if (key[0] != L'|') {
            commandIds.insert(key);
            std::wstring prompt = value(L"String", key);
            EXPECT_FALSE(prompt.empty()) << "[String] " << key.c_str();
            EXPECT_FALSE(HasChinese(prompt)) << "[String] " << key.c_str();
        }
    }
    for (UINT id : { IDS_FIRST_LANGUAGE, ID_AUTO_SCROLL }) {
        EXPECT_FALSE(value(L"String", std::to_wstring(id)).empty()) << id;
        commandIds.insert(std::to_wstring(id));
    }
    for (const auto& key : SectionKeys(english, L"128"))
        EXPECT_TRUE(builtIn.count(key)) << "[128] " << key.c_str() << " names no menu item";
    for (const auto& key : SectionKeys(english, L"String")) {
        wchar_t buf[8];
        UINT id = static_cast<UINT>(_wtoi(key.c_str()));
        EXPECT_TRUE(commandIds.count(key) || ::LoadStringW(::GetModuleHandleW(nullptr), id, buf, 8))
            << "[String] " << key.c_str() << " is no command and no built-in string";
        EXPECT_FALSE(HasChinese(value(L"String", key))) << "[String] " << key.c_str();
    }

    struct Dialog {
        UINT id;
        std::set<int> setByTheDialog;
    };
    for (const Dialog& d : { Dialog{ IDD_ABOUTBOX, { IDC_SAMPLE_TEXT, IDC_PROGRAM_LINE } },
                             Dialog{ IDD_FILTER, { IDC_INCLUDE, IDC_EXCLUDE } } }) {
        const std::wstring section = std::to_wstring(d.id);
        std::wstring caption;
        std::set<std::wstring> known = { L"0" };
        EXPECT_FALSE(value(section.c_str(), L"0").empty()) << "caption of " << d.id;
        for (const auto& c : TemplateControls(d.id, &caption)) {
            known.insert(std::to_wstring(c.id));
            bool icon = c.className == L"Static" && (c.style & SS_TYPEMASK) == SS_ICON;
            if (icon)
                continue; // an icon's "text" names its resource
            if (c.text.empty() || d.setByTheDialog.count(c.id))
                continue;
            std::wstring en = value(section.c_str(), std::to_wstring(c.id));
            EXPECT_FALSE(en.empty()) << "[" << section.c_str() << "] " << c.id;
            EXPECT_FALSE(HasChinese(en)) << "[" << section.c_str() << "] " << c.id;
        }
        EXPECT_FALSE(caption.empty());
        for (const auto& key : SectionKeys(english, section.c_str()))
            EXPECT_TRUE(known.count(key)) << "[" << section.c_str() << "] " << key.c_str()
                                          << " names no control";
    }
}

// The same file at work: with English current, nothing Chinese is left on
// the menu bar, in the prompts of the menu commands or in the dialogs.
TEST_F(LanguageTest, WithEnglishCurrentNoChineseTextIsLeft)
{
    ASSERT_TRUE(Exists(m_aside + L"English.lng"));
    RestoreShipped(L"English.lng");
    SaveSetting(L"1033");
    Viewer v;
    ASSERT_TRUE(v.ok);
    EXPECT_STREQ(g_szLanguageFile, (m_dir + L"English.lng").c_str());
    ASSERT_NE(g_dialogFont.get(), nullptr);
    for (const auto& [key, text] : MenuTexts(::GetMenu(v.frame->m_hWnd))) {
        EXPECT_FALSE(text.empty()) << key.c_str();
        EXPECT_FALSE(HasChinese(text)) << key.c_str() << ": " << text.c_str();
        if (key[0] == L'|')
            continue;
        Highlight(v, static_cast<UINT>(_wtoi(key.c_str())));
        std::wstring prompt = StatusText(v);
        EXPECT_FALSE(prompt.empty()) << key.c_str();
        EXPECT_FALSE(HasChinese(prompt)) << key.c_str() << ": " << prompt.c_str();
    }
    EXPECT_EQ(TextById(::GetMenu(v.frame->m_hWnd), ID_FILTER), L"Filter...");
    for (UINT command : { ID_FILTER, ID_APP_ABOUT }) {
        DialogSnapshot d = OpenDialog(v, command, command == ID_FILTER ? IDCANCEL : IDOK);
        ASSERT_TRUE(d.found) << command;
        EXPECT_FALSE(HasChinese(d.caption)) << d.caption.c_str();
        for (const auto& [id, text] : d.texts)
            EXPECT_FALSE(HasChinese(text)) << command << "/" << id << ": " << text.c_str();
        EXPECT_EQ(d.fonts[IDOK], g_dialogFont.get());
        EXPECT_NE(FaceOf(g_dialogFont.get()), L"<no font>");
    }
}

// Beyond the menus and dialogs: the idle text, the toolbar's tooltips (short
// names, the long prompt in the status bar), the open dialog's file types and
// the document messages read in English; with no file, they stay built in.
TEST_F(LanguageTest, WithEnglishCurrentIdleTextTooltipsAndFileTypesAreEnglish)
{
    ASSERT_TRUE(Exists(m_aside + L"English.lng"));
    RestoreShipped(L"English.lng");
    SaveSetting(L"1033");
    {
        Viewer v;
        ASSERT_TRUE(v.ok);
        EXPECT_EQ(StatusText(v), L"Ready");
        const std::wstring english = m_dir + L"English.lng";
        HWND tb = v.frame->m_toolBar.m_hWnd;
        int buttons = static_cast<int>(::SendMessageW(tb, TB_BUTTONCOUNT, 0, 0));
        int named = 0;
        for (int i = 0; i < buttons; ++i) {
            TBBUTTON b = {};
            ::SendMessageW(tb, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
            if (b.fsStyle & BTNS_SEP)
                continue;
            std::wstring tip = v.frame->TooltipFor(static_cast<UINT>(b.idCommand));
            EXPECT_EQ(tip, ReadProfile(english, L"Tooltip", std::to_wstring(b.idCommand).c_str()))
                << b.idCommand;
            EXPECT_FALSE(tip.empty() || HasChinese(tip)) << b.idCommand;
            ++named;
        }
        EXPECT_EQ(named, 10);
        std::wstring filter = v.app.GetFileOpenFilter();
        EXPECT_EQ(filter, L"All files (*.*)|*.*||");
        for (UINT id : { UINT(IDS_NEW_DOCUMENT_FAILED), UINT(IDS_OPEN_DOCUMENT_FAILED),
                         UINT(AFX_IDS_AUTOSAVE_NAME) })
            EXPECT_FALSE(HasChinese(AfxLoadUIString(id))) << id;
    }
    SaveSetting(L"0");
    g_szLanguageFile[0] = 0;   // as a new start with the built-in texts finds it
    Viewer v;
    ASSERT_TRUE(v.ok);
    EXPECT_EQ(StatusText(v), L"就绪");
    EXPECT_EQ(v.frame->TooltipFor(ID_CAPTURE), L"Capture");
    EXPECT_EQ(v.frame->TooltipFor(ID_FILE_OPEN), L"打开一个现有文档");
    EXPECT_EQ(v.app.GetFileOpenFilter(), L"所有文件 (*.*)|*.*||");
}
