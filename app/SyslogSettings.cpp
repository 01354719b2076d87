// The [Syslog] section of the program's settings file.
#include "app/SyslogSettings.h"
#include "i18n/Language.h"
#include "framework/Text.h"
#include <windows.h>

orlix::syslog::Settings ReadSyslogSettings()
{
    std::wstring path = GetSettingsReadPath();
    auto read = [&](const wchar_t* key) {
        wchar_t value[512] = {};
        ::GetPrivateProfileStringW(L"Syslog", key, L"", value, 512, path.c_str());
        return std::wstring(value);
    };
    orlix::syslog::SettingsText t;
    t.enabled = read(L"Enabled");
    t.host = read(L"Host");
    t.port = read(L"Port");
    t.transport = read(L"Protocol");
    t.facility = read(L"Facility");
    t.queueLines = read(L"QueueLines");
    return orlix::syslog::ParseSettings(t);
}

void WriteSyslogSettings(const orlix::syslog::Settings& s)
{
    std::wstring path = GetSettingsFilePath();
    orlix::syslog::SettingsText t = orlix::syslog::FormatSettings(s);
    fw::MakeUnicodeProfileFile(path);
    ::WritePrivateProfileStringW(L"Syslog", L"Enabled", t.enabled.c_str(), path.c_str());
    ::WritePrivateProfileStringW(L"Syslog", L"Host", t.host.c_str(), path.c_str());
    ::WritePrivateProfileStringW(L"Syslog", L"Port", t.port.c_str(), path.c_str());
    ::WritePrivateProfileStringW(L"Syslog", L"Protocol", t.transport.c_str(), path.c_str());
    ::WritePrivateProfileStringW(L"Syslog", L"Facility", t.facility.c_str(), path.c_str());
    ::WritePrivateProfileStringW(L"Syslog", L"QueueLines", t.queueLines.c_str(), path.c_str());
}
