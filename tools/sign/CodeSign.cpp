#include "CodeSign.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "HostProcess.h"

const char kSignUsage[] =
    "  --sign-cert FILE   sign with this PEM certificate (chain) ...\n"
    "  --sign-key FILE    ... and this PEM private key\n"
    "  --sign-pkcs12 FILE or with certificate and key from one PKCS#12 file\n"
    "                     (a password, if any, is read from $KIT_SIGN_PASSWORD)\n"
    "  --timestamp URL    add an RFC 3161 time stamp from this server\n";

bool TakeSignOption(const std::string& option, const std::string& value, SignOptions& o) {
    if (option == "--sign-cert")
        o.cert = value;
    else if (option == "--sign-key")
        o.key = value;
    else if (option == "--sign-pkcs12")
        o.pkcs12 = value;
    else if (option == "--timestamp")
        o.timestamp = value;
    else
        return false;
    return true;
}

std::string CheckSignOptions(const SignOptions& o) {
    if (!o.pkcs12.empty() && (!o.cert.empty() || !o.key.empty()))
        return "--sign-pkcs12 replaces --sign-cert and --sign-key";
    if (o.pkcs12.empty() && o.cert.empty() != o.key.empty()) return "--sign-cert and --sign-key go together";
    if (!o.timestamp.empty() && !o.Wanted()) return "--timestamp needs a signing certificate";
    return "";
}

std::string SignFile(const SignOptions& o, const std::string& path, const std::string& description) {
    const std::string signedPath = path + ".signed";
    std::vector<std::string> cmd = {"osslsigncode", "sign"};
    if (!o.pkcs12.empty()) {
        cmd.insert(cmd.end(), {"-pkcs12", o.pkcs12});
    } else {
        cmd.insert(cmd.end(), {"-certs", o.cert, "-key", o.key});
    }
    const char* password = std::getenv(kSignPasswordVariable);
    std::string input;
    if (password) {
        cmd.insert(cmd.end(), {"-readpass", "/dev/stdin"});
        input = password;
    }
    cmd.insert(cmd.end(), {"-h", "sha256", "-n", description});
    if (!o.timestamp.empty()) cmd.insert(cmd.end(), {"-ts", o.timestamp});
    cmd.insert(cmd.end(), {"-in", path, "-out", signedPath});
    std::remove(signedPath.c_str());
    if (!RunProgram(cmd, "", input)) {
        std::remove(signedPath.c_str());
        return "osslsigncode could not sign " + path;
    }
    if (std::rename(signedPath.c_str(), path.c_str()) != 0) {
        std::remove(signedPath.c_str());
        return "cannot replace " + path + " with its signed copy";
    }
    return "";
}
