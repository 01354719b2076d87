// Forwarding to syslog as the settings file keeps it ([Syslog]): a missing
// or damaged value reads as its default.
#pragma once
#include "output/SyslogFormat.h"

orlix::syslog::Settings ReadSyslogSettings();
void WriteSyslogSettings(const orlix::syslog::Settings& s);
