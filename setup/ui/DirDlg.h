// fmDir: the directory chooser of the wizard's second page. The user browses
// drives and directories; the opened directory, with the product's folder
// name appended, is proposed in an edit box, and "선택" makes the edit's text
// the install directory.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TfmDir {
public:
    // Creates the form hidden; it lives until the program ends.
    explicit TfmDir(HWND owner);
    ~TfmDir();
    TfmDir(const TfmDir&) = delete;
    TfmDir& operator=(const TfmDir&) = delete;

    HWND Handle() const { return handle; }

    // Shows the form modally, starting the list at "C:\" and the edit at the
    // current InstallDir; returns when the form closes, chosen or not.
    void ChooseDirectory();

    // The directory the list has open, e.g. "C:\" or "C:\Program Files".
    const std::string& Directory() const { return directory; }
    // Opens a directory in the list (and its drive in the drive box), as the
    // user does by double-clicking; raises DirListChange.
    void SetDirectory(const std::string& dir);

private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void DirListChange();
    void Button1Click();
    void Button2Click();
    void FillDriveBox();
    void OpenListItem(int index);
    void ePathFocus(bool gained);

    HWND handle = nullptr, owner = nullptr;
    HWND ePath = nullptr, DirList = nullptr, DriveComboBox1 = nullptr;
    HWND Button1 = nullptr, Button2 = nullptr;
    std::string directory;
    std::vector<std::string> itemPaths;  // the directory each list line opens
    HKL layoutBeforeEdit = nullptr;
};

extern TfmDir* fmDir;

// The proposal for an opened directory: the directory with the folder name
// appended (without doubling the backslash of a drive root).
std::string ProposedInstallDir(const std::string& dir, const std::string& folder);
