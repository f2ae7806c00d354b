// fmInstall: the window that shows an install run's progress, the view of
// the wizard's run and of /SILENT's; the run itself is SetupRun's. Windows
// only; see Install.h for its lifetime.
#pragma once

#include <windows.h>

#include "WinInstallHost.h"

class TfmInstall : public TInstallView {
public:
    TfmInstall();
    ~TfmInstall() override;

    HWND Handle() const { return handle; }

    // The shortest time between two repaints during extraction; a shorter
    // one costs install time and shows the eye nothing more.
    static const DWORD kRepaintInterval = 100;

    void RunShown() override;
    void RunHidden() override;
    void EntryStarted(const std::string& path, uint32_t size) override;
    void EntryProgress(uint32_t position) override;
    bool NextDiskette() override;
    bool CancelRequested() override { return cancelRequested; }
    void EarlierRunUndone() override;

private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    bool Due() const;
    void ShowEntry(uint32_t position);
    void Painted();

    HWND handle = nullptr;
    HWND Image1 = nullptr, Bevel1 = nullptr, Label1 = nullptr, lbFile = nullptr, PB = nullptr,
         Button1 = nullptr;
    bool cancelRequested = false;
    // The entry being extracted, shown or not yet: entries that come and go
    // within one repaint interval are never drawn.
    std::string entryPath;
    uint32_t entrySize = 0;
    bool entryShown = false;
    unsigned rangeShift = 0;  // progress bars count in int: sizes above 2 GB are halved
    DWORD lastPaint = 0;
};
