// Language files beside the executable, the language submenu, the saved
// choice and the dialog font; and the translation of the user interface.
#pragma once
#include "framework/Handles.h"
#include <windows.h>
#include <string>

// The longest path Windows takes (with its terminating zero).
constexpr DWORD kLongPathUnits = 32768;
extern wchar_t g_szLanguageFile[kLongPathUnits];   // empty: the built-in texts
extern fw::UniqueFont g_dialogFont;
extern UINT g_nLastLanguageId;
extern UINT g_nCheckedLanguageId;
extern wchar_t g_szUIText[1024];

// The executable's folder with its trailing backslash.
std::wstring GetModuleDirectory();
// Where a settings file of this name lives: beside the executable while it
// can be written there (portable use), else in the user's own folder
// %APPDATA%\Orlix. For reading, a file found only beside the executable is
// still the one read.
std::wstring SettingsFilePath(const std::wstring& name, bool forReading);
// The program settings file, named after the executable with ".ini"
// (SettingsFilePath): where it is written, and where it is read.
std::wstring GetSettingsFilePath();
std::wstring GetSettingsReadPath();

UINT LoadSavedLanguage();
UINT FillLanguageMenu(HMENU submenu);
void ApplyLanguage(HMENU menu, UINT id);
// -(size x dpi / 72), rounded half away from zero; 0 for size 0.
int DialogFontHeight(int pointSize, int dpi);

LPCWSTR TranslateString(UINT id);
// A toolbar button's short name from the language file's [Tooltip] section;
// null without a language file or a name there.
LPCWSTR TranslateTooltip(UINT id);
LPCWSTR GetLanguageDescription(HMENU menu, UINT id);
void TranslateMenu(HMENU menu, UINT id);
void TranslateMenu(HMENU menu, LPCWSTR section);
void TranslateMenuItems(HMENU menu, LPCWSTR section, LPCWSTR parentKey);
void RestoreMenuTexts(HMENU menu, UINT id);
BOOL SetMenuItemText(HMENU menu, UINT item, LPCWSTR text, BOOL byPosition);
void TranslateDialog(HWND dialog, UINT id);
void TranslateDialog(HWND dialog, LPCWSTR section);
BOOL TranslateWindow(HWND window, LPCWSTR section);
