// The automatic log's options in the settings file.
#include "output/LogWriter.h"
#include "settings/OptionsFile.h"
#include "framework/Digits.h"

namespace orlix {

namespace {
const wchar_t kSection[] = L"Log";
}

LogRotation ReadLogRotation()
{
    LogRotation r;
    auto kb = fw::ParseDigits(ReadTextOption(kSection, L"MaxKB"), kMaxLogKb);
    r.maxBytes = kb.value_or(0) * 1024;
    r.daily = ReadIntOption(kSection, L"Daily", 0, 0, 1) != 0;
    r.keep = static_cast<unsigned>(
        ReadIntOption(kSection, L"Keep", 0, 0, static_cast<int>(kMaxLogKeep)));
    r.dated = ReadIntOption(kSection, L"Dated", 0, 0, 1) != 0;
    return r;
}

void WriteLogRotation(const LogRotation& r)
{
    WriteTextOption(kSection, L"MaxKB", std::to_wstring(r.maxBytes / 1024));
    WriteIntOption(kSection, L"Daily", r.daily ? 1 : 0);
    WriteIntOption(kSection, L"Keep", static_cast<int>(r.keep));
    WriteIntOption(kSection, L"Dated", r.dated ? 1 : 0);
}

} // namespace orlix
