// Authenticode signing of the kit's Windows files with Debian's osslsigncode,
// shared by mkdist and the packer. A password (of a PKCS#12 file or an
// encrypted key) comes only from the environment variable named below and
// reaches osslsigncode through a pipe, never on a command line that other
// users of the machine could read.
#pragma once

#include <string>

constexpr char kSignPasswordVariable[] = "KIT_SIGN_PASSWORD";

struct SignOptions {
    std::string cert, key;  // PEM certificate chain and private key
    std::string pkcs12;     // or one PKCS#12 file instead of both
    std::string timestamp;  // RFC 3161 time-stamp server, optional
    bool Wanted() const { return !cert.empty() || !key.empty() || !pkcs12.empty(); }
};

// Takes one signing option and its value into `o`. False when `option` is
// none of them.
bool TakeSignOption(const std::string& option, const std::string& value, SignOptions& o);

// What is wrong with the combination, or "" when it can sign.
std::string CheckSignOptions(const SignOptions& o);

// The usage lines of the signing options.
extern const char kSignUsage[];

// Signs `path` in place with `description` as the signature's program name:
// the signed copy is written beside it and renamed over it only once
// osslsigncode succeeded. Returns "" or what went wrong.
std::string SignFile(const SignOptions& o, const std::string& path, const std::string& description);
