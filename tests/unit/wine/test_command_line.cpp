// The standard command line, parsed as a document program reads it.
#include "framework/App.h"
#include <gtest/gtest.h>

namespace {

CCommandLineInfo Parse(LPCWSTR commandLine)
{
    CWinApp app;
    CCommandLineInfo info;
    app.ParseCommandLine(info, commandLine);
    return info;
}

} // namespace

TEST(CommandLine, NoArgumentIsFileNewAndAPlainNameOpens)
{
    CCommandLineInfo none = Parse(L"Orlix.exe");
    EXPECT_EQ(none.m_nShellCommand, CCommandLineInfo::FileNew);
    EXPECT_TRUE(none.m_unknown.empty());
    CCommandLineInfo open = Parse(L"Orlix.exe \"C:\\some log.txt\"");
    EXPECT_EQ(open.m_nShellCommand, CCommandLineInfo::FileOpen);
    EXPECT_EQ(open.m_strFileName, L"C:\\some log.txt");
    // A second name means nothing to File Open.
    CCommandLineInfo two = Parse(L"Orlix.exe a.txt b.txt");
    EXPECT_EQ(two.m_strFileName, L"a.txt");
    ASSERT_EQ(two.m_unknown.size(), 1u);
    EXPECT_EQ(two.m_unknown[0], L"b.txt");
}

TEST(CommandLine, PrintSwitchesTakeTheDocumentAndThePrinter)
{
    CCommandLineInfo p = Parse(L"Orlix.exe /p doc.txt");
    EXPECT_EQ(p.m_nShellCommand, CCommandLineInfo::FilePrint);
    EXPECT_EQ(p.m_strFileName, L"doc.txt");
    EXPECT_TRUE(p.m_unknown.empty());
    CCommandLineInfo pt = Parse(L"Orlix.exe -pt doc.txt \"Office Laser\" winspool LPT1:");
    EXPECT_EQ(pt.m_nShellCommand, CCommandLineInfo::FilePrintTo);
    EXPECT_EQ(pt.m_strFileName, L"doc.txt");
    EXPECT_EQ(pt.m_strPrinterName, L"Office Laser");
    EXPECT_EQ(pt.m_strDriverName, L"winspool");
    EXPECT_EQ(pt.m_strPortName, L"LPT1:");
    EXPECT_TRUE(pt.m_unknown.empty());
    // The switch may follow the name.
    EXPECT_EQ(Parse(L"Orlix.exe doc.txt /p").m_nShellCommand, CCommandLineInfo::FilePrint);
    // Shell switches are exact: /P is no print switch.
    CCommandLineInfo upper = Parse(L"Orlix.exe /P doc.txt");
    EXPECT_EQ(upper.m_nShellCommand, CCommandLineInfo::FileOpen);
    ASSERT_EQ(upper.m_unknown.size(), 1u);
    EXPECT_EQ(upper.m_unknown[0], L"/P");
    // Nothing to print: not understood, and the start is a normal one.
    CCommandLineInfo bare = Parse(L"Orlix.exe /p");
    EXPECT_EQ(bare.m_nShellCommand, CCommandLineInfo::FileNew);
    ASSERT_EQ(bare.m_unknown.size(), 1u);
    EXPECT_EQ(bare.m_unknown[0], L"/p");
}

TEST(CommandLine, OleAndDdeSwitchesAreAcceptedOthersAreReported)
{
    CCommandLineInfo dde = Parse(L"Orlix.exe /dde");
    EXPECT_EQ(dde.m_nShellCommand, CCommandLineInfo::FileDDE);
    EXPECT_TRUE(dde.m_unknown.empty());
    CCommandLineInfo ole = Parse(L"Orlix.exe -embedding /AUTOMATION");
    EXPECT_TRUE(ole.m_bRunEmbedded);
    EXPECT_TRUE(ole.m_bRunAutomated);
    EXPECT_EQ(ole.m_nShellCommand, CCommandLineInfo::FileNew);
    EXPECT_TRUE(ole.m_unknown.empty());
    EXPECT_EQ(Parse(L"Orlix.exe /RegServer").m_nShellCommand, CCommandLineInfo::AppRegister);
    EXPECT_EQ(Parse(L"Orlix.exe /unregister").m_nShellCommand, CCommandLineInfo::AppUnregister);
    CCommandLineInfo odd = Parse(L"Orlix.exe /x -verbose - /");
    EXPECT_EQ(odd.m_nShellCommand, CCommandLineInfo::FileNew);
    EXPECT_EQ(odd.m_unknown, (std::vector<std::wstring>{ L"/x", L"-verbose", L"-", L"/" }));
}
