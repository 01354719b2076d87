// The settings store against real files: what a load finds, what a save
// leaves on disk, and that a failing save leaves the old file alone.
#include "settings/IniFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Every test works in a folder of its own, removed with its files after.
class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static unsigned s_counter = 0;
        wchar_t temp[MAX_PATH];
        ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
        m_dir = std::wstring(temp) + L"orlix-ini-" + std::to_wstring(::GetCurrentProcessId())
              + L"-" + std::to_wstring(++s_counter);
        ASSERT_TRUE(::CreateDirectoryW(m_dir.c_str(), nullptr)) << ::GetLastError();
    }

    void TearDown() override
    {
        for (const std::wstring& name : Files()) {
            const std::wstring path = Path(name);
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(path.c_str());
        }
        ::RemoveDirectoryW(m_dir.c_str());
    }

    std::wstring Path(const std::wstring& name) const { return m_dir + L"\\" + name; }

    std::vector<std::wstring> Files() const
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW fd;
        HANDLE find = ::FindFirstFileW((m_dir + L"\\*").c_str(), &fd);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do {
            const std::wstring name = fd.cFileName;
            if (name != L"." && name != L"..")
                names.push_back(name);
        } while (::FindNextFileW(find, &fd));
        ::FindClose(find);
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::string ReadBytes(const std::wstring& path)
    {
        std::string bytes;
        HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE)
            return "<no file>";
        char buf[4096];
        DWORD got = 0;
        while (::ReadFile(f, buf, sizeof buf, &got, nullptr) && got)
            bytes.append(buf, got);
        ::CloseHandle(f);
        return bytes;
    }

    static void WriteBytes(const std::wstring& path, const std::string& bytes)
    {
        HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                 nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD put = 0;
        ASSERT_TRUE(::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr));
        ASSERT_EQ(put, bytes.size());
        ::CloseHandle(f);
    }

    static std::wstring Value(IniFile& ini, const wchar_t* section, const wchar_t* key)
    {
        std::wstring v = L"<missing>";
        ini.GetSection(section)->GetValue(key, v);
        return v;
    }

    std::wstring m_dir;
};

std::string Utf8(const char8_t* text)
{
    return std::string(reinterpret_cast<const char*>(text));
}

// Bytes of `text` in the system code page, when it has all of its
// characters and the bytes could not be taken for UTF-8.
bool AnsiOnly(const std::wstring& text, std::string& bytes)
{
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1,
                                        nullptr, 0, nullptr, &usedDefault);
    if (n <= 1 || usedDefault)
        return false;
    bytes.assign(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, bytes.data(), n,
                          nullptr, &usedDefault);
    bytes.pop_back();
    return !usedDefault
        && ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                 static_cast<int>(bytes.size()), nullptr, 0) == 0;
}

} // namespace

TEST_F(IniFileTest, MissingFileOrFolder)
{
    IniFile ini(Path(L"param.ini"));
    EXPECT_EQ(ini.m_strLastError, L"No error");
    EXPECT_EQ(ini.Load(), 0);
    EXPECT_EQ(ini.m_strLastError, L"File not exist!");
    EXPECT_TRUE(ini.Sections().empty());

    IniFile folder(m_dir);
    EXPECT_EQ(folder.Load(), 0);
    EXPECT_EQ(folder.m_strLastError, L"Unable to open ini File!");
    EXPECT_EQ(folder.Save(), 0);
    EXPECT_EQ(folder.m_strLastError, L"Unable to open ini File!");

    IniFile nowhere(Path(L"no such folder\\param.ini"));
    EXPECT_EQ(nowhere.Save(), 0);
    EXPECT_EQ(nowhere.m_strLastError, L"Unable to open ini File!");
    EXPECT_EQ(Files(), std::vector<std::wstring>{});
}

TEST_F(IniFileTest, EmptyFileAndEmptyStore)
{
    const std::wstring path = Path(L"param.ini");
    WriteBytes(path, "");
    IniFile ini(path);
    EXPECT_EQ(ini.Load(), 1);
    EXPECT_TRUE(ini.Sections().empty());
    EXPECT_EQ(ini.m_strLastError, L"No error");

    WriteBytes(path, "old text that must go\r\n");
    EXPECT_EQ(ini.Save(), 1);
    EXPECT_EQ(ReadBytes(path), "");
}

TEST_F(IniFileTest, SaveWritesCanonicalAsciiAndReplacesTheOldFile)
{
    const std::wstring path = Path(L"param.ini");
    WriteBytes(path, "junk before\r\n[Other]\r\n; note\r\nk = v\r\n\r\n[Filter]\nexclude=x;\n"
                     "include=old;\n[filter]\nlower=1\n" + std::string(5000, '#') + "\r\n");
    IniFile ini(path);
    ASSERT_EQ(ini.Load(), 1);
    IniSection* filter = ini.GetSection(L"Filter");
    filter->SetValue(L"include", L"err;");
    filter->SetValue(L"exclude", L";");
    EXPECT_EQ(ini.Save(), 1);
    EXPECT_EQ(ReadBytes(path), "[Other]\r\nk = v\r\n[Filter]\r\nexclude=;\r\ninclude=err;\r\n"
                               "[filter]\r\nlower=1\r\n");
    EXPECT_EQ(Files(), std::vector<std::wstring>{ L"param.ini" });
}

TEST_F(IniFileTest, NonAsciiTextRoundTrips)
{
    std::wstring odd = L"half ";
    odd += static_cast<wchar_t>(0xD83D);  // a surrogate without its partner
    const std::wstring path = Path(L"param.ini");
    {
        IniFile ini(path);
        IniSection* s = ini.GetSection(L"过滤");
        s->SetValue(L"包含", L"错误;警告;\U0001F600;");
        s->SetValue(L"exclude", L"café;Ωμέγα;");
        ini.GetSection(L"\U0001F4C1")->SetValue(L"odd", odd);
        ASSERT_EQ(ini.Save(), 1);
    }
    const std::string head = Utf8(u8"[过滤]\r\n包含=错误;警告;");
    EXPECT_EQ(ReadBytes(path).substr(0, head.size()), head);

    IniFile back(path);
    ASSERT_EQ(back.Load(), 1);
    EXPECT_EQ(back.m_strLastError, L"No error");
    ASSERT_EQ(back.Sections().size(), 2u);
    EXPECT_EQ(Value(back, L"过滤", L"包含"), L"错误;警告;\U0001F600;");
    EXPECT_EQ(Value(back, L"过滤", L"exclude"), L"café;Ωμέγα;");
    // UTF-8 holds no half of a pair: it is written as U+FFFD.
    EXPECT_EQ(Value(back, L"\U0001F4C1", L"odd"), L"half \uFFFD");
}

TEST_F(IniFileTest, ReadsFilesInTheSystemCodePage)
{
    std::wstring text;
    std::string ansi;
    for (const wchar_t* candidate : { L"中文过滤;日志;", L"café;naïve;", L"Привет;", L"Ελληνικά;" }) {
        if (AnsiOnly(candidate, ansi)) {
            text = candidate;
            break;
        }
    }
    if (text.empty())
        GTEST_SKIP() << "no sample text for code page " << ::GetACP();

    const std::wstring path = Path(L"param.ini");
    WriteBytes(path, "[Filter]\r\ninclude=" + ansi + "\r\nexclude=;\r\n");
    IniFile ini(path);
    ASSERT_EQ(ini.Load(), 1);
    EXPECT_EQ(Value(ini, L"Filter", L"include"), text) << "code page " << ::GetACP();
    EXPECT_EQ(Value(ini, L"Filter", L"exclude"), L";");
}

TEST_F(IniFileTest, Utf8WithByteOrderMarkLoads)
{
    const std::wstring path = Path(L"param.ini");
    WriteBytes(path, Utf8(u8"\uFEFF[Filter]\r\ninclude=调试;\r\n"));
    IniFile ini(path);
    ASSERT_EQ(ini.Load(), 1);
    ASSERT_EQ(ini.Sections().size(), 1u);
    EXPECT_EQ(Value(ini, L"Filter", L"include"), L"调试;");
}

TEST_F(IniFileTest, ReadOnlyFileIsLeftUnchanged)
{
    const std::wstring path = Path(L"param.ini");
    const std::string before = "[Filter]\r\ninclude=keep;\r\n";
    WriteBytes(path, before);
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));

    IniFile ini(path);
    ASSERT_EQ(ini.Load(), 1);
    ini.GetSection(L"Filter")->SetValue(L"include", L"changed;");
    EXPECT_EQ(ini.Save(), 0);
    EXPECT_EQ(ini.m_strLastError, L"Unable to open ini File!");
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(Files(), std::vector<std::wstring>{ L"param.ini" });

    // Writable again, the same store saves.
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(ini.Save(), 1);
    EXPECT_EQ(ReadBytes(path), "[Filter]\r\ninclude=changed;\r\n");
    EXPECT_EQ(ini.m_strLastError, L"Unable to open ini File!") << "a success keeps the last error";
}

TEST_F(IniFileTest, SaveWritesInPlaceWhenTheFileCannotBeReplaced)
{
    const std::wstring path = Path(L"param.ini");
    WriteBytes(path, "[Filter]\r\ninclude=old;\r\n");
    // Another program holds it, sharing reading and writing but not
    // deleting: no rename may replace it, yet it can be written.
    HANDLE holder = ::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    IniFile ini(path);
    ASSERT_EQ(ini.Load(), 1);
    ini.GetSection(L"Filter")->SetValue(L"include", L"new;");
    EXPECT_EQ(ini.Save(), 1);
    ::CloseHandle(holder);
    EXPECT_EQ(ReadBytes(path), "[Filter]\r\ninclude=new;\r\n");
    EXPECT_EQ(Files(), std::vector<std::wstring>{ L"param.ini" }) << "no temporary file left";
}

TEST_F(IniFileTest, SaveRemovesTemporaryFilesOfSavesThatNeverFinished)
{
    const std::wstring path = Path(L"param.ini");
    WriteBytes(path, "[Filter]\r\n");
    const std::wstring stale = path + L".~1f4-0.tmp", fresh = path + L".~1f8-0.tmp";
    WriteBytes(stale, "half");
    WriteBytes(fresh, "in progress");
    // The stale one was last written an hour ago.
    HANDLE f = ::CreateFileW(stale.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER t{ { ft.dwLowDateTime, ft.dwHighDateTime } };
    t.QuadPart -= 3600ull * 10000000ull;
    ft.dwLowDateTime = t.LowPart;
    ft.dwHighDateTime = t.HighPart;
    ASSERT_TRUE(::SetFileTime(f, nullptr, nullptr, &ft));
    ::CloseHandle(f);

    IniFile ini(path);
    ASSERT_EQ(ini.Load(), 1);
    EXPECT_EQ(ini.Save(), 1);
    EXPECT_EQ(Files(), (std::vector<std::wstring>{ L"param.ini", L"param.ini.~1f8-0.tmp" }));
}

TEST_F(IniFileTest, LoadAddsToWhatIsHeldAndSetPathMovesTheFile)
{
    const std::wstring first = Path(L"a.ini");
    WriteBytes(first, "[Filter]\r\ninclude=a;\r\n");
    IniFile ini(first);
    ini.GetSection(L"Mine")->SetValue(L"k", L"v");
    ASSERT_EQ(ini.Load(), 1);
    ASSERT_EQ(ini.Sections().size(), 2u);
    EXPECT_EQ(ini.Sections()[0]->m_strName, L"Mine");

    ini.SetPath(Path(L"b.ini"));
    EXPECT_EQ(ini.Save(), 1);
    EXPECT_EQ(ReadBytes(Path(L"b.ini")), "[Mine]\r\nk=v\r\n[Filter]\r\ninclude=a;\r\n");
    EXPECT_EQ(ReadBytes(first), "[Filter]\r\ninclude=a;\r\n");

    ini.RemoveAll();
    EXPECT_TRUE(ini.Sections().empty());
}
