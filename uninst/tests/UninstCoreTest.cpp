#include <gtest/gtest.h>

#include <set>

#include "UninstCore.h"

using namespace uninst;
using Lines = std::vector<std::string>;

// A mistyped switch must not turn into a wait for a person; a path split at
// a blank must still arrive whole.
TEST(Switches, PickedOutWholeAndAnywhere) {
    Switches s = ParseSwitches({"/silent", "C:\\A", "/B\\INSTALL.LOG", "/LOG=C:\\my log.txt", "/VerySilent"});
    EXPECT_EQ(s.quiet, Quiet::VerySilent);
    EXPECT_TRUE(s.hasRunLog);
    EXPECT_EQ(s.runLog, "C:\\my log.txt");
    EXPECT_EQ(s.pieces, (Lines{"C:\\A", "/B\\INSTALL.LOG"}));
    EXPECT_TRUE(s.bad.empty());
    EXPECT_FALSE(s.usage);

    EXPECT_EQ(ParseSwitches({"/VERYSILNT", "C:\\V\\INSTALL.LOG"}).bad, "/VERYSILNT");
    EXPECT_EQ(ParseSwitches({"/LOG=", "C:\\L"}).bad, "/LOG=");
    EXPECT_EQ(ParseSwitches({"/LOG=a", "/log=b", "C:\\L"}).bad, "/log=b");
    EXPECT_EQ(ParseSwitches({"/SILENTLY", "C:\\L"}).bad, "/SILENTLY");
    EXPECT_TRUE(ParseSwitches({"C:\\L", "/?"}).usage);
    EXPECT_EQ(ParseSwitches({"/SILENT"}).quiet, Quiet::Silent);
    EXPECT_TRUE(ParseSwitches({"/SILENT"}).pieces.empty());
}

TEST(LogPath, RebuildsFromPieces) {
    std::set<std::string> files;
    auto exists = [&](const std::string& p) { return files.count(p) > 0; };

    files = {"C:\\My Prog\\INSTALL.LOG"};
    auto r = RebuildLogPath({"C:\\My", "Prog\\INSTALL.LOG"}, exists);
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.path, "C:\\My Prog\\INSTALL.LOG");
    EXPECT_TRUE(RebuildLogPath({"C:\\My Prog\\INSTALL.LOG"}, exists).found);

    // Run together already names a file: taken without a blank.
    files = {"C:\\MyProg\\INSTALL.LOG", "C:\\My Prog\\INSTALL.LOG"};
    EXPECT_EQ(RebuildLogPath({"C:\\My", "Prog\\INSTALL.LOG"}, exists).path, "C:\\MyProg\\INSTALL.LOG");

    // Two separate blanks: only the joined-by-blanks candidate finds it.
    files = {"C:\\A B\\C D\\INSTALL.LOG"};
    r = RebuildLogPath({"C:\\A", "B\\C", "D\\INSTALL.LOG"}, exists);
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.path, "C:\\A B\\C D\\INSTALL.LOG");

    // Not found: the message names the first candidate, not nothing.
    r = RebuildLogPath({"C:\\X", "Y\\INSTALL.LOG"}, exists);
    EXPECT_FALSE(r.found);
    EXPECT_EQ(r.firstCandidate, "C:\\XY\\INSTALL.LOG");
}

TEST(Log, ReadsLinesAndPaths) {
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (Lines{"a", ""}));
    EXPECT_TRUE(SplitLines("").empty());

    std::string longPath = "C:\\P\\" + std::string(300, 'x') + ".TXT";
    LogContents log = ParseLog(
        "FILE:C:\\P\\A.EXE\r\n"
        "FILE:   C:\\P\\B.TXT  \r\n"
        "FILE:" +
        longPath +
        "\r\n"
        "DIR:C:\\P\r\n"
        "DIR:\r\n"
        "ICON:C:\\S\\\xB9\xD9\xB7\xCE.LNK\r\n"
        "comment\r\n"
        "FILE:WIN.INI\r\n"  // relative: would hit the current folder
        " FILE:C:\\Q\r\n"   // read from the fixed place: no full path
        "DIR:C:\\S");       // no final line end
    EXPECT_EQ(log.entries, (Lines{"C:\\P\\A.EXE", "C:\\P\\B.TXT", longPath, "C:\\S\\\xB9\xD9\xB7\xCE.LNK"}));
    EXPECT_EQ(log.dirs, (Lines{"C:\\P", "C:\\S"}));
}

TEST(Prune, DeepestFirstWithinTheProduct) {
    LogContents log;
    log.entries = {"C:\\Prog\\V\\doc\\en\\a.txt", "C:\\Prog\\V\\doc", "C:\\Win\\Desktop\\V.LNK",
                   "rel\\x.txt"};
    log.dirs = {"C:\\Prog\\V", "c:\\prog\\v\\", "C:\\Menu\\V", "C:\\"};
    Lines got = PruneCandidates(log, "C:\\Prog\\V", {});
    // Desktop is not the product's; the drive root never appears; a relative
    // path is tried as listed but not walked up.
    EXPECT_EQ(got, (Lines{"C:\\Prog\\V\\doc\\en\\a.txt", "C:\\Prog\\V\\doc\\en", "C:\\Prog\\V\\doc",
                          "C:\\Win\\Desktop\\V.LNK", "C:\\Prog\\V", "C:\\Menu\\V", "rel\\x.txt"}));
    EXPECT_EQ(ParentDir("C:\\A"), "C:\\");
    EXPECT_EQ(ParentDir("C:\\A\\B\\"), "C:\\A");
}

// Folders of the running system, as the program would read them.
const Lines kSystem = {"C:\\WINDOWS",
                       "C:\\WINDOWS\\SYSTEM",
                       "C:\\Program Files",
                       "C:\\WINDOWS\\Desktop",
                       "C:\\WINDOWS\\Start Menu\\Programs\\StartUp",
                       "C:/Documents and Settings/kim/",
                       "",
                       "WINDOWS\\Fonts"};

TEST(Kept, TheSystemsFoldersAndThoseAbove) {
    for (const char* dir : {"C:\\", "c:", "\\\\server\\share\\", "c:\\windows\\", "C:\\WINDOWS\\Start Menu",
                            "C:\\WINDOWS\\START MENU\\Programs", "C:\\Documents and Settings",
                            "c:\\documents and settings\\KIM",
                            // As Windows resolves them: dots, "..", trailing dots and blanks.
                            "C:\\Program Files\\..\\Windows", "C:\\Varnel\\..\\WINDOWS\\.\\Desktop",
                            "C:\\Windows. ", "C:\\Program Files\\..\\..\\..", "C:\\Varnel\\..",
                            "\\\\server\\share\\x\\..",
                            // Each drive's Recycle Bin.
                            "D:\\$Recycle.Bin", "C:\\RECYCLER\\", "c:\\recycled"})
        EXPECT_TRUE(IsKeptFolder(dir, kSystem)) << dir;
    // Below a kept folder, beside one, or only sharing the start of a name;
    // empty and relative entries keep nothing.
    for (const char* dir : {"C:\\WINDOWS\\Desktop\\Varnel", "C:\\Program Files\\Varnel", "C:\\Program",
                            "C:\\WINDOWS\\Start", "C:\\WINDOWS\\Fonts", "C:\\Varnel", "rel",
                            "C:\\Windows\\..\\Varnel", "C:\\Program Files\\.\\Varnel.",
                            "C:\\Varnel\\RECYCLER"})
        EXPECT_FALSE(IsKeptFolder(dir, kSystem)) << dir;
}

// The 95/98 family: Desktop and Start Menu inside the Windows folder, and a
// product with an item there, so that the log lists the Windows folder itself.
TEST(Prune, NeverReachesTheSystemsFolders) {
    LogContents log;
    log.entries = {"C:\\WINDOWS\\VARNEL.INI", "C:\\WINDOWS\\Desktop\\V.LNK",
                   "C:\\WINDOWS\\Start Menu\\Programs\\StartUp\\V.LNK",
                   "C:\\WINDOWS\\Start Menu\\Programs\\Varnel\\V.LNK", "C:\\Program Files\\Varnel\\A.EXE"};
    log.dirs = {"C:\\WINDOWS", "c:\\program files\\", "C:\\Program Files\\Varnel",
                "C:\\WINDOWS\\Start Menu\\Programs\\Varnel"};
    EXPECT_EQ(
        PruneCandidates(log, "C:\\Program Files\\Varnel", kSystem),
        (Lines{"C:\\WINDOWS\\Start Menu\\Programs\\StartUp\\V.LNK",
               "C:\\WINDOWS\\Start Menu\\Programs\\Varnel\\V.LNK",
               "C:\\WINDOWS\\Start Menu\\Programs\\Varnel", "C:\\WINDOWS\\Desktop\\V.LNK",
               "C:\\Program Files\\Varnel\\A.EXE", "C:\\Program Files\\Varnel", "C:\\WINDOWS\\VARNEL.INI"}));
}

TEST(Inside, WholeNamesAnyCaseNoDots) {
    EXPECT_TRUE(InsideFolder("c:\\v 1\\a\\B.EXE", "C:\\V 1\\"));
    EXPECT_TRUE(InsideFolder("C:\\V 1", "C:\\V 1"));
    EXPECT_TRUE(InsideFolder("C:/V 1/A.EXE", "C:\\V 1"));
    EXPECT_FALSE(InsideFolder("C:\\V 10\\A.EXE", "C:\\V 1"));
    EXPECT_FALSE(InsideFolder("C:\\V", "C:\\V 1"));
    EXPECT_FALSE(InsideFolder("C:\\V 1\\..\\WINDOWS\\A.DLL", "C:\\V 1"));
    EXPECT_FALSE(InsideFolder("C:\\V 1\\.\\A.DLL", "C:\\V 1"));
    EXPECT_FALSE(InsideFolder("V 1\\A.EXE", "V 1"));
    EXPECT_FALSE(InsideFolder("D:\\V 1\\A.EXE", "C:\\V 1"));
}

TEST(UninstallEntry, RecognisesItsCommandLine) {
    const std::string log = "C:\\My Prog\\INSTALL.LOG";
    EXPECT_TRUE(UninstallStringNamesLog("C:\\My Prog\\VlUnInst.exe C:\\My Prog\\INSTALL.LOG", log));
    EXPECT_TRUE(UninstallStringNamesLog("\"C:\\My Prog\\VlUnInst.exe\" \"c:\\my prog\\install.log\"", log));
    EXPECT_FALSE(UninstallStringNamesLog("C:\\Other\\VlUnInst.exe C:\\Other\\INSTALL.LOG", log));
    EXPECT_FALSE(UninstallStringNamesLog("C:\\X\\VlUnInst.exeC:\\My Prog\\INSTALL.LOG", log));
    EXPECT_FALSE(UninstallStringNamesLog(log, log));
}

TEST(Wininit, AddsTheEntryFirstInItsSection) {
    const std::string own = "C:\\PROGRA~1\\V\\VLUNINST.EXE";
    const std::string entry = "nul=" + own + "\r\n";
    EXPECT_EQ(WininitWithEntry(std::nullopt, own), "[Rename]\r\n" + entry);
    EXPECT_EQ(WininitWithEntry(std::string(), own), "[Rename]\r\n" + entry);
    EXPECT_EQ(WininitWithEntry(std::string("[rename]\r\nnul=C:\\OLD.EXE\r\n"), own),
              "[rename]\r\n" + entry + "nul=C:\\OLD.EXE\r\n");
    // A header with blanks is not the section; other sections stay as they are.
    EXPECT_EQ(WininitWithEntry(std::string("[Other]\r\na=b\n [Rename]"), own),
              "[Other]\r\na=b\r\n [Rename]\r\n[Rename]\r\n" + entry);
    EXPECT_EQ(WininitPath("C:\\WINDOWS"), "C:\\WINDOWS\\wininit.ini");
    EXPECT_EQ(WininitPath("C:\\"), "C:\\wininit.ini");
}

TEST(Wininit, AddsDeletionsInTheirOrderAtTheSectionsEnd) {
    std::string text = WininitWithDeletion(std::nullopt, "C:\\V\\VSHELL.DLL");
    text = WininitWithDeletion(text, "C:\\V\\VARNEL.EXE");
    EXPECT_EQ(text, "[Rename]\r\nnul=C:\\V\\VSHELL.DLL\r\nnul=C:\\V\\VARNEL.EXE\r\n");
    // Before the next section; the self-removal's entry still goes first.
    text = WininitWithDeletion(std::string("[RENAME]\r\nnul=C:\\OLD.EXE\r\n\r\n[Other]\r\na=b\r\n"),
                               "C:\\V\\A.DLL");
    EXPECT_EQ(WininitWithEntry(text, "C:\\V\\VLUNINST.EXE"),
              "[RENAME]\r\nnul=C:\\V\\VLUNINST.EXE\r\nnul=C:\\OLD.EXE\r\nnul=C:\\V\\A.DLL\r\n\r\n[Other]"
              "\r\na=b\r\n");
}
