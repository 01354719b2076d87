// Saving the list to a file: every row byte for byte across the blocks the
// writing thread takes, a file that was there replaced, and failures told.
#include <gtest/gtest.h>
#include "rows/SavedList.h"
#include "framework/Text.h"
#include <windows.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

class SavedList : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
        m_path = std::wstring(temp) + L"orlix-saved-" + std::to_wstring(::GetCurrentProcessId()) +
                 L".txt";
        ::DeleteFileW(m_path.c_str());
    }
    void TearDown() override { ::DeleteFileW(m_path.c_str()); }

    std::string ReadFile() const
    {
        std::ifstream in(m_path.c_str(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static std::string Bytes(const std::wstring& text)
    {
        std::string bytes(reinterpret_cast<const char*>(fw::kUtf16LeBom), sizeof(fw::kUtf16LeBom));
        bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
        return bytes;
    }

    std::wstring m_path;
};

TEST_F(SavedList, EveryRowReachesTheFileInOrder)
{
    // About 9 MiB of text: several of the writer's blocks, rows of every
    // length up to the longest a row holds, 8-bit and wide texts.
    orlix::RowStore rows;
    const orlix::ArrivalTime t{ 13, 4, 5, 678 };
    for (size_t i = 0; i < 30000; ++i) {
        std::wstring text = L"row " + std::to_wstring(i) + L" ";
        text.append(i % 97 == 0 ? 4000 : i % 300, i % 5 == 0 ? L'\x4e2d' : L'x');
        rows.Append(i % 7 ? L"writer.exe" : L"\x5199.exe", static_cast<uint32_t>(i), t, text);
    }
    auto timeText = [](size_t row) {
        return row % 3 ? std::wstring() : L"+" + std::to_wstring(row) + L".5";
    };
    std::vector<size_t> told;
    ASSERT_TRUE(orlix::SaveRows(
        rows, m_path, [&](size_t done, size_t total) {
            EXPECT_EQ(total, rows.Size());
            told.push_back(done);
        },
        timeText));

    std::wstring expected;
    for (size_t i = 0; i < rows.Size(); ++i)
        rows.AppendSavedRow(i, expected, timeText(i));
    const std::string got = ReadFile();
    ASSERT_EQ(got.size(), Bytes(expected).size());
    EXPECT_TRUE(got == Bytes(expected)) << "the saved bytes differ from the rows";
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back(), rows.Size());
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
}

TEST_F(SavedList, ReplacesALongerFileAndSavesAnEmptyList)
{
    {
        std::ofstream old(m_path.c_str(), std::ios::binary);
        old << std::string(3 << 20, 'z');
    }
    orlix::RowStore rows;
    rows.Append(L"a.exe", 1, orlix::ArrivalTime{ 1, 2, 3, 4 }, L"one");
    rows.Append(L"b.exe", 2, orlix::ArrivalTime{ 1, 2, 3, 5 }, L"two");
    ASSERT_TRUE(orlix::SaveRows(rows, m_path));
    EXPECT_EQ(ReadFile(), Bytes(L"a.exe\t1\t01:02:03:00\tone\t\r\nb.exe\t2\t01:02:03:00\ttwo\t\r\n"));

    rows.Clear();
    ASSERT_TRUE(orlix::SaveRows(rows, m_path));
    EXPECT_EQ(ReadFile(), Bytes(L""));
}

TEST_F(SavedList, APlaceThatCannotBeWrittenIsAFailure)
{
    orlix::RowStore rows;
    rows.Append(L"a.exe", 1, orlix::ArrivalTime{}, L"one");
    const std::wstring missing = m_path + L".dir\\list.txt";
    EXPECT_FALSE(orlix::SaveRows(rows, missing));
    EXPECT_EQ(::GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES);

    // A file another program holds without sharing it: it stays as it was,
    // and nothing is left beside it.
    HANDLE held = ::CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DWORD wrote = 0;
    ::WriteFile(held, "old", 3, &wrote, nullptr);
    EXPECT_FALSE(orlix::SaveRows(rows, m_path));
    ::CloseHandle(held);
    EXPECT_EQ(ReadFile(), "old");
    EXPECT_EQ(::GetFileAttributesW((m_path + L".saving").c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
