// The program's own command-line switches, on top of the framework's:
//   /view FILE       a view with the rules of a preset file (as often as given)
//   /log FILE        the automatic log into FILE from the start
//   /capture off|on  start with capture paused, or on as usual
//   /limit N         the history limit for this run (not kept)
//   /?               the switches in a box; the program then ends
// Switch names take either "/" or "-" and any case; a value that is missing
// or wrong is named in a box over the running window (the switch left out).
#pragma once
#include "framework/App.h"
#include <cstddef>
#include <string>
#include <vector>

class COrlixDoc;

class COrlixCommandLineInfo : public CCommandLineInfo {
public:
    void ParseArgument(LPCWSTR arg, bool last) override;

    std::vector<std::wstring> m_viewPresets;
    std::wstring m_logPath;          // empty: no /log
    bool m_bCaptureOff = false;
    bool m_bLimitGiven = false;
    size_t m_historyLimit = 0;
    bool m_bShowSwitches = false;    // /?

    // A switch whose value is missing or wrong: the text that says so and
    // what to put into it (the switch, or the value given).
    struct Problem {
        UINT textId;
        std::wstring detail;
    };
    std::vector<Problem> m_problems;

    // The switches that act on the capture, once the first view has started
    // it.
    void ApplyTo(COrlixDoc& doc) const;

private:
    bool TakeValue(const std::wstring& name, const std::wstring& value);
    void MissingValue(const std::wstring& name);
    std::wstring m_pending;          // a switch that waits for its value
};

// The /? box, in the chosen language.
void ShowCommandLineSwitches();
// The box that names unknown arguments and bad switch values (nothing to
// say: no box).
void ReportCommandLineProblems(const COrlixCommandLineInfo& info);
