#include "RemovedKeys.h"

namespace uninst {

// In removal order. Each comment names what the removal undoes; the shell
// extension's keys pair one to one with the wizard's final registration.
const RemovedKey kRemovedKeys[] = {
    // The context-menu handler for every file type.
    {RegRoot::ClassesRoot, "*\\shellex\\ContextMenuHandlers\\Varnel"},
    // The product's own file class, left by earlier versions (the wizard only
    // ever deletes it).
    {RegRoot::ClassesRoot, "Varnel"},
    // The archive file types the product claims when it runs; setup writes none.
    {RegRoot::ClassesRoot, "Varnel.Ace"},
    {RegRoot::ClassesRoot, "Varnel.Arc"},
    {RegRoot::ClassesRoot, "Varnel.Arj"},
    {RegRoot::ClassesRoot, "Varnel.Kz"},
    {RegRoot::ClassesRoot, "Varnel.Kzx"},
    {RegRoot::ClassesRoot, "Varnel.Cab"},
    {RegRoot::ClassesRoot, "Varnel.Enc"},
    {RegRoot::ClassesRoot, "Varnel.Gz"},
    {RegRoot::ClassesRoot, "Varnel.Ha"},
    {RegRoot::ClassesRoot, "Varnel.Jar"},
    {RegRoot::ClassesRoot, "Varnel.Lha"},
    {RegRoot::ClassesRoot, "Varnel.Lzh"},
    {RegRoot::ClassesRoot, "Varnel.Pak"},
    {RegRoot::ClassesRoot, "Varnel.Rar"},
    {RegRoot::ClassesRoot, "Varnel.Tar"},
    {RegRoot::ClassesRoot, "Varnel.Tzz"},
    {RegRoot::ClassesRoot, "Varnel.Uue"},
    {RegRoot::ClassesRoot, "Varnel.Xxe"},
    {RegRoot::ClassesRoot, "Varnel.Z"},
    {RegRoot::ClassesRoot, "Varnel.Zip"},
    {RegRoot::ClassesRoot, "Varnel.Zoo"},
    // The product key with the install path and the shell DLL's name.
    {RegRoot::CurrentUser, "SOFTWARE\\Tessaro\\Varnel"},
    // The shell extension's class and its in-process server.
    {RegRoot::ClassesRoot, "CLSID\\{6D1A2F40-7C3B-4E59-A1D8-3F0B5C9E7A21}"},
    // The context-menu and drag-and-drop handlers of folders and drives.
    {RegRoot::ClassesRoot, "Directory\\shellex\\ContextMenuHandlers\\Varnel"},
    {RegRoot::ClassesRoot, "Directory\\shellex\\DragDropHandlers\\Varnel"},
    {RegRoot::ClassesRoot, "Drive\\shellex\\DragDropHandlers\\Varnel"},
    {RegRoot::ClassesRoot, "Folder\\shellex\\ContextMenuHandlers\\Varnel"},
    {RegRoot::ClassesRoot, "Folder\\shellex\\DragDropHandlers\\Varnel"},
    // The uninstall entry, when the product's title is its bare name.
    {RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnel"},
};
const size_t kRemovedKeyCount = sizeof kRemovedKeys / sizeof kRemovedKeys[0];

const char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

}  // namespace uninst
