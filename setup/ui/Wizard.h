// fmWizad: setup's main window. Four pages (welcome, install directory,
// summary, finish); leaving the third runs the install, closing on the fourth
// registers the shell extension and restarts Windows when asked.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "InstallOutcome.h"
#include "InstallText.h"
#include "RunLog.h"

class TGradPan;

class TfmWizad {
public:
    // FormCreate: loads the setup script and shows page 1; the window stays
    // hidden until Show.
    TfmWizad();
    ~TfmWizad();
    TfmWizad(const TfmWizad&) = delete;
    TfmWizad& operator=(const TfmWizad&) = delete;

    HWND Handle() const { return handle; }
    void Show();

    // The install run of page 3; an exception is a failure of the run.
    std::function<TInstallOutcome()> RunInstall;

    // What the command line changes: another install directory, shown on
    // pages 2 and 3 (checked there as one the user typed), and a restart
    // box left clear and disabled on page 4.
    void SetInstallDir(const std::string& dir);
    bool NeverRestart = false;
    // Hears the registration's and the restart's steps, for the run log.
    RunStepFn OnStep;

    // How the program ended, for its exit code: whether the install ran, how,
    // and whether Windows was asked to restart and agreed.
    bool InstallRan = false;
    TInstallOutcome Outcome;
    bool Restarted = false;

    uint16_t CurrentPage = 1;
    void ShowPage(uint16_t n);
    void NextPage();
    void PrevPage();

private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK PageProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void FormCreate();
    void FormClose();
    void Button1Click() { NextPage(); }
    void Button2Click() { PrevPage(); }
    void Button3Click() { SendMessageA(handle, WM_CLOSE, 0, 0); }
    void Button4Click();
    void ShowInstallDir();
    void RunInstallStep();
    void Paint(HDC dc);
    void CreateControls();
    HWND Label(int page, const char* text, int top, int height = 14);

    HWND handle = nullptr;
    HWND Notebook1[4] = {};
    HWND Image1 = nullptr, Image2 = nullptr;
    HWND Button1 = nullptr, Button2 = nullptr, Button3 = nullptr, Button4 = nullptr;
    HWND lb1 = nullptr, lb2 = nullptr, lb3 = nullptr, lb4 = nullptr;
    HWND lbDir = nullptr, ListBox1 = nullptr, WinReStartCheckBox = nullptr;
    std::unique_ptr<TGradPan> GradPan;
    HBITMAP productPicture = nullptr, logoPicture = nullptr, panelBitmap = nullptr;
    std::string title;  // the script's title, page 1's caption
};

extern TfmWizad* fmWizad;

// How the wizard asks and tells; tests answer in place of the user.
using WizardMessageBoxFn = int(WINAPI*)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
extern WizardMessageBoxFn WizardMessageBox;

// The program's title, for the message boxes that speak for the program.
extern const char kApplicationTitle[];

// The five lines of the summary list for a source and an install directory.
void SummaryLines(const std::string& sourceDir, const std::string& installDir, std::string lines[5]);

// Asks Windows to restart, first taking the shutdown privilege where the
// system has privileges. False when the request was refused.
bool RestartWindows();
// How the wizard restarts Windows; tests record the request instead.
using RestartFn = bool (*)();
extern RestartFn WizardRestart;

// What is wrong with dir as an install directory on this machine, if anything.
TDirCheck CheckInstallDirHere(const std::string& dir);
// True when dir can be the install directory; otherwise says why in a
// message box over owner and returns false.
bool AcceptInstallDir(HWND owner, const std::string& dir);
