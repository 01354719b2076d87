// The view's everyday options: the Time column's mode, UTF-8 decoding of
// narrow text, and the message column filling the width. All start as the
// classic viewer has them and are kept in the settings file's [View] section.
#include "capture/OrlixView.h"
#include "capture/ViewOptions.h"
#include "resources/resource.h"

namespace {
const wchar_t kViewSection[] = L"View";
const wchar_t kTimeModeKey[] = L"TimeMode";
const wchar_t kUtf8Key[] = L"DecodeUtf8";
const wchar_t kFitKey[] = L"FitMessageColumn";
} // namespace

void COrlixView::LoadViewOptions()
{
    m_timeMode = orlix::TimeModeFromInt(
        orlix::ReadIntOption(kViewSection, kTimeModeKey, 0, 0, orlix::kTimeModeCount - 1));
    m_shared->decodeUtf8 = orlix::ReadIntOption(kViewSection, kUtf8Key, 0, 0, 1) != 0;
    m_bFitMessage = orlix::ReadIntOption(kViewSection, kFitKey, 0, 0, 1) != 0;
    LoadHistoryLimit();
}

std::wstring COrlixView::TimeText(size_t row) const
{
    if (m_timeMode == orlix::TimeMode::Clock)
        return m_rows.Column(row, 2);
    orlix::ArrivalTime previous;
    if (row > 0)
        previous = m_rows.Time(row - 1);
    return orlix::FormatTimeAs(m_timeMode, m_rows.Time(row), m_timeOrigin,
                               row > 0 ? &previous : nullptr);
}

void COrlixView::SetTimeMode(orlix::TimeMode mode)
{
    if (mode == m_timeMode)
        return;
    m_timeMode = mode;
    orlix::WriteIntOption(kViewSection, kTimeModeKey, static_cast<int>(mode));
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

bool COrlixView::OnOptionCmdMsg(UINT id, int code, CCmdUI* pUI)
{
    switch (id) {
    case ID_TIME_CLOCK:
    case ID_TIME_CLOCK_MS:
    case ID_TIME_SINCE_FIRST:
    case ID_TIME_DELTA: {
        auto mode = orlix::TimeModeFromInt(static_cast<int>(id - ID_TIME_CLOCK));
        return Handle(code, pUI, [&] { SetTimeMode(mode); },
                      [&](CCmdUI& ui) { ui.SetRadio(m_timeMode == mode); });
    }
    case ID_FILE_IMPORT:
        return Handle(code, pUI, [&] { OnFileImport(); });
    case ID_HISTORY_LIMIT:
        return Handle(code, pUI, [&] { OnHistoryLimit(); });
    case ID_FIT_MESSAGE_COLUMN:
        return Handle(code, pUI,
                      [&] {
                          SetFitMessageColumn(!m_bFitMessage);
                          orlix::WriteIntOption(kViewSection, kFitKey, m_bFitMessage ? 1 : 0);
                      },
                      [&](CCmdUI& ui) { ui.SetCheck(m_bFitMessage ? 1 : 0); });
    case ID_DECODE_UTF8:
        return Handle(code, pUI,
                      [&] {
                          bool on = !m_shared->decodeUtf8.load();
                          m_shared->decodeUtf8 = on;
                          orlix::WriteIntOption(kViewSection, kUtf8Key, on ? 1 : 0);
                      },
                      [&](CCmdUI& ui) { ui.SetCheck(m_shared->decodeUtf8.load() ? 1 : 0); });
    }
    return OnColumnCmdMsg(id, code, pUI);
}
