// The viewer's own INI store: reads a whole settings file into sections,
// lets callers change them in memory, and writes the whole file back.
// Operations return 1 or 0; the reason for the last failure is kept as a
// text in m_strLastError.
#pragma once
#include "settings/IniText.h"
#include <string>
#include <string_view>

class IniFile {
public:
    explicit IniFile(std::wstring path);
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;
    virtual ~IniFile();

    // Adds the sections of the file at m_strPath to those held (it does not
    // empty the store). 0 when there is no file or it can't be opened; a
    // read broken off part-way keeps what was read and still gives 1.
    int Load();
    // Writes the whole store to m_strPath. The text goes to a new file
    // beside it, which replaces the old file only once it is complete, so a
    // failure leaves the old file as it was. 1 written, 0 not written.
    int Save();
    void SetPath(std::wstring path);

    // The first section named exactly `name`, appended when missing. Valid
    // until RemoveAll or the store's end.
    IniSection* GetSection(std::wstring_view name);
    void RemoveAll();
    const IniSectionList& Sections() const { return m_document.m_sections; }

    IniDocument m_document;
    // Lines the load could not read exactly: written back as they were
    // while their values are unchanged.
    std::vector<IniRawLine> m_rawLines;
    std::wstring m_strLastError;
    std::wstring m_strPath;
};
