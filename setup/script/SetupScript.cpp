#include "SetupScript.h"

#include "SetupText.h"

TSetupScript SetupScript;

void FillSetupScript(TSetupScript& s, const ProfileReader& read) {
    s.Name = read("APP", "NAME", "");
    s.Version = read("APP", "VERSION", "");
    s.Company = read("APP", "COMPANY", "");
    s.InstallDir = read("APP", "INSTALLDIR", "");
    s.Folder = read("APP", "FOLDER", "");
    s.Title = read("APP", "TITLE", "");
    s.Readme = read("APP", "README", "");
    s.Run = read("APP", "RUN", "");
    s.Uninstall = read("APP", "UNINSTALL", "");
    s.ProductTitle = TrimControl(s.Name + " " + s.Version);

    s.ShellDll = read("SHELL", "SHELLDLLFILE", "");
    s.BdeFile = read("BDE", "FILE", "");
    s.BdePath = read("BDE", "PATH", "C:\\Program Files\\Borland\\Common Files\\BDE");
    s.BdeCfg = read("BDE", "CFG", "IDAPI32.CFG");
    s.BdeDate = read("BDE", "DATE", "96-05-01");
    s.LangParadox = read("BDE", "LANGPARADOX", "korea");
    s.LangDbase = read("BDE", "LANGDBASE", "DB949KO0");
    s.BdeOverwrite = read("BDE", "OVERWRITE", "FALSE");
    s.CrwFile = read("CRW", "FILE", "");
    s.CrwPath = read("CRW", "PATH", "");

    s.FileItemCount = 0;
    s.IconItemCount = 0;
    for (uint16_t n = 1; n <= MaxScriptItems; ++n) {
        const std::string num = std::to_string(n);
        std::string v = read("FILES", ("FILE" + num).c_str(), "NONE");
        if (v != "NONE") {
            TFileItem& f = s.FileItems[n - 1];
            f.Source = ScriptField(v, 1);
            f.DestDir = ScriptField(v, 2);
            f.Option = UpperAscii(ScriptField(v, 3));
            s.FileItemCount = n;
        }
        v = read("ICONS", ("ICON" + num).c_str(), "NONE");
        if (v != "NONE") {
            TIconItem& i = s.IconItems[n - 1];
            i.FolderKey = ScriptField(v, 1);
            i.LinkName = ScriptField(v, 2);
            i.Target = ScriptField(v, 3);
            i.Arguments = ScriptField(v, 4);
            s.IconItemCount = n;
        }
    }
}

std::string ExpandMacrosWith(const std::string& path, const MacroValues& v) {
    std::string r = ReplaceMacro(path, "<WINDIR>", v.WinDir);
    r = ReplaceMacro(r, "<WINSYSDIR>", v.SysDir);
    r = ReplaceMacro(r, "<BDEDIR>", v.BdeDir);
    return ReplaceMacro(r, "<INSTALLDIR>", v.InstallDir);
}

std::string DescribeSetupScript(const TSetupScript& s) {
    std::string out;
    auto line = [&out](const std::string& k, const std::string& v) { out += k + "=" + v + "\r\n"; };
    line("SourceDir", s.SourceDir);
    line("ProductTitle", s.ProductTitle);
    line("Name", s.Name);
    line("Version", s.Version);
    line("Company", s.Company);
    line("InstallDir", s.InstallDir);
    line("Folder", s.Folder);
    line("Title", s.Title);
    line("Readme", s.Readme);
    line("Run", s.Run);
    line("Uninstall", s.Uninstall);
    line("ShellDll", s.ShellDll);
    line("BdeFile", s.BdeFile);
    line("BdePath", s.BdePath);
    line("BdeCfg", s.BdeCfg);
    line("BdeDate", s.BdeDate);
    line("LangParadox", s.LangParadox);
    line("LangDbase", s.LangDbase);
    line("BdeOverwrite", s.BdeOverwrite);
    line("CrwFile", s.CrwFile);
    line("CrwPath", s.CrwPath);
    line("FileItemCount", std::to_string(s.FileItemCount));
    for (int n = 0; n < s.FileItemCount; ++n) {
        const TFileItem& f = s.FileItems[n];
        line("File" + std::to_string(n + 1), f.Source + " | " + f.DestDir + " | " + f.Option);
    }
    line("IconItemCount", std::to_string(s.IconItemCount));
    for (int n = 0; n < s.IconItemCount; ++n) {
        const TIconItem& i = s.IconItems[n];
        line("Icon" + std::to_string(n + 1),
             i.FolderKey + " | " + i.LinkName + " | " + i.Target + " | " + i.Arguments);
    }
    return out;
}
