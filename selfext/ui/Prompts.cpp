// The overwrite prompt, the password prompt and the progress window.

#include "PathText.h"
#include "Progress.h"
#include "Resource.h"
#include "SelfExtState.h"
#include "WindowUtil.h"

INT_PTR CALLBACK FileExistProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        CenterWindowOnScreen(dialog);
        char question[300];
        CopyText(question, sizeof question, PromptFileName);
        AppendText(question, sizeof question, "...already exists, overwrite?");
        SetDlgItemTextA(dialog, IDC_QUESTION, question);
        return 0;
    }
    if (message != WM_COMMAND) return 0;
    WORD id = LOWORD(wParam);
    if (id != IDOK && id != IDCANCEL) return 0;
    OverwriteAnswer = id == IDOK ? 1 : 0;
    if (IsDlgButtonChecked(dialog, IDC_DONT_ASK) == BST_CHECKED) {
        Settings.overwriteMode = id == IDOK ? OverwriteAlways : OverwriteSkip;
        CheckDlgButton(MainDialog, IDC_CONFIRM, BST_UNCHECKED);
        CheckDlgButton(MainDialog, IDC_OVERWRITE, id == IDOK ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(MainDialog, IDC_SKIP, id == IDOK ? BST_UNCHECKED : BST_CHECKED);
    }
    EndDialog(dialog, id);
    return 1;
}

INT_PTR CALLBACK PasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        CenterWindowOnScreen(dialog);
        // The buffer holds 24 characters; the edit must not take more than
        // would be kept.
        SendDlgItemMessageA(dialog, IDC_PASSWORD, EM_LIMITTEXT, kPasswordCapacity - 1, 0);
        SetFocus(GetDlgItem(dialog, IDC_PASSWORD));
        return 0;
    }
    // Only Enter ends the prompt; Esc is ignored.
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        PasswordLength = GetDlgItemTextA(dialog, IDC_PASSWORD, PasswordBuffer, kPasswordCapacity);
        PasswordBuffer[PasswordLength] = 0;
        EndDialog(dialog, IDOK);
        return 1;
    }
    return 0;
}

static void DrawBarText(HDC dc, RECT* rect, const char* text, int clipLeft, int clipRight, COLORREF colour) {
    HRGN clip = CreateRectRgn(clipLeft, rect->top - 1, clipRight, rect->bottom + 1);
    SelectClipRgn(dc, clip);
    SetTextColor(dc, colour);
    DrawTextA(dc, text, -1, rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectClipRgn(dc, 0);
    DeleteObject(clip);
}

// The bar reads in the highlight colour over its empty part and in the
// highlight-text colour over the filled part, split at the fill's edge.
static void DrawProgressBar(HDC dc, RECT rect) {
    MoveToEx(dc, rect.left, rect.top, 0);
    LineTo(dc, rect.left, rect.bottom - 1);
    LineTo(dc, rect.right - 1, rect.bottom - 1);
    LineTo(dc, rect.right - 1, rect.top);
    LineTo(dc, rect.left, rect.top);
    InflateRect(&rect, -1, -1);

    char value[8];
    GetDlgItemTextA(ProgressDialog, IDC_PROGRESS_BAR, value, 5);
    int percent = ParsePercent(value);
    char text[8];
    PercentText(percent, text, true);

    SetBkMode(dc, TRANSPARENT);
    int split = rect.left + ProgressFill(rect.right - rect.left, percent);
    RECT part = rect;
    part.left = split;
    HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &part, brush);
    DeleteObject(brush);
    DrawBarText(dc, &rect, text, split, rect.right + 1, GetSysColor(COLOR_HIGHLIGHT));

    part.left = rect.left;
    part.right = split;
    brush = CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
    FillRect(dc, &part, brush);
    DeleteObject(brush);
    DrawBarText(dc, &rect, text, rect.left - 1, split, GetSysColor(COLOR_HIGHLIGHTTEXT));
}

INT_PTR CALLBACK ProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: CenterWindowOnScreen(dialog); return 0;
        case WM_DRAWITEM:
            if (wParam == IDC_PROGRESS_BAR) {
                DRAWITEMSTRUCT* item = (DRAWITEMSTRUCT*)lParam;
                DrawProgressBar(item->hDC, item->rcItem);
            }
            return 1;
        case WM_COMMAND:
            // Esc and the close box send IDCANCEL (2), which is ignored: only
            // the button stops a pass, and only after the current file.
            if (LOWORD(wParam) == IDC_PROGRESS_CANCEL) {
                CancelRequested = true;
                EnableWindow(GetDlgItem(dialog, IDC_PROGRESS_CANCEL), FALSE);
                SetDlgItemTextA(dialog, IDC_PROGRESS_TEXT, "Cancelling after the current file...");
            }
            return 0;
    }
    return 0;
}
