// listprobe: reads and works the list boxes of another process's window for
// the scripted tests, which uidriver does not cover.
//   listprobe lines TITLE ID          print SELECTED<TAB>TEXT per line (1 or 0)
//   listprobe dblclick TITLE ID TEXT  make the line TEXT current and report a
//                                     double click on it to the dialog
//   listprobe state TITLE ID          print CHECKED<TAB>ENABLED (1 or 0) of a button
//   listprobe add TITLE ID TEXT       add the line TEXT as the program itself
//                                     would, and let the list draw it
// TITLE is a visible top-level window's exact title. Exit 0 done, 1 not found.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static HWND Find(const char* title) {
    for (int i = 0; i < 100; ++i) {
        HWND w = FindWindowA(nullptr, title);
        if (w && IsWindowVisible(w)) return w;
        Sleep(100);
    }
    return nullptr;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: listprobe lines|dblclick|state|add TITLE ID [TEXT]\n");
        return 2;
    }
    HWND top = Find(argv[2]);
    int id = atoi(argv[3]);
    HWND list = top ? GetDlgItem(top, id) : nullptr;
    if (!list) {
        fprintf(stderr, "listprobe: no control %d in \"%s\"\n", id, argv[2]);
        return 1;
    }
    if (!strcmp(argv[1], "lines")) {
        int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            // The wide call: Wine hands only the first byte of an ANSI
            // text across processes.
            wchar_t wide[600] = {0};
            char text[1800] = {0};
            if (SendMessageW(list, LB_GETTEXTLEN, i, 0) >= 600) continue;
            SendMessageW(list, LB_GETTEXT, i, (LPARAM)wide);
            WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, nullptr, nullptr);
            printf("%d\t%s\n", SendMessageA(list, LB_GETSEL, i, 0) > 0 ? 1 : 0, text);
        }
        return 0;
    }
    if (!strcmp(argv[1], "dblclick") && argc > 4) {
        LRESULT at = SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)argv[4]);
        if (at == LB_ERR) {
            fprintf(stderr, "listprobe: no line \"%s\"\n", argv[4]);
            return 1;
        }
        SendMessageA(list, LB_SETCURSEL, at, 0);
        PostMessageA(top, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), (LPARAM)list);
        return 0;
    }
    if (!strcmp(argv[1], "add") && argc > 4) {
        wchar_t wide[1024] = {0};
        if (!MultiByteToWideChar(CP_ACP, 0, argv[4], -1, wide, 1024)) return 2;
        if (SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)wide) < 0) return 1;
        InvalidateRect(list, nullptr, TRUE);
        UpdateWindow(list);
        return 0;
    }
    if (!strcmp(argv[1], "state")) {
        printf("%d\t%d\n", SendMessageA(list, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0,
               IsWindowEnabled(list) ? 1 : 0);
        return 0;
    }
    return 2;
}
