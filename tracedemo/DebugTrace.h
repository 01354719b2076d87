// Orlix sender: drop this header into a Windows program (narrow or UNICODE
// build) and call DT(...) like printf; every call shows one line in a running
// Orlix window. Nothing is linked: the line travels as WM_SETTEXT.
// Include it in one source file of the program (it defines DebugTrace).
#pragma once
#include <windows.h>
#include <tchar.h>
#include <stdio.h>
#include <stdarg.h>

#ifndef _vsntprintf
#ifdef _UNICODE
#define _vsntprintf _vsnwprintf
#else
#define _vsntprintf _vsnprintf
#endif
#endif

// ORLIX-SAMPLE-BEGIN
// DT is a macro that helps you debug an application by dumping useful
// information into the Orlix window while the program runs;
// it works for both debug and release builds. usage:
//	DT("work ok in line %d", __LINE__);

//define following line to enable DT
#define DT	DebugTrace
//uncomment following line to disable DT
//#undef DT
//#define DT

BOOL DebugTrace(TCHAR *lpszFormat,...)
{
	static HWND hwnd = ::FindWindow(_T("Kesto-Orlix"), _T("Orlix"));
	static TCHAR szMsg[512];
	if (!::IsWindow(hwnd))
		hwnd = ::FindWindow(NULL, _T("Orlix"));
	if (hwnd != NULL)
	{
		va_list argList;
		va_start(argList, lpszFormat);
		try
		{
			_vsntprintf(szMsg, 511, lpszFormat, argList);
			szMsg[511] = 0;
		}
		catch(...)
		{
			lstrcpy(szMsg, _T("DebugHelper:Invalid string format!"));
		}
		va_end(argList);
		::SendMessage(hwnd, WM_SETTEXT, GetCurrentProcessId(), (LPARAM)szMsg);
	}
	return TRUE;
}
//	suport the OutputDebugString trace string, 
//	can recevie the debug and release information
// ORLIX-SAMPLE-END
