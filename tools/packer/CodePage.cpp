#include "CodePage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <vector>

#ifdef _WIN32

CodePage::CodePage(unsigned number) : number_(number ? number : GetACP()) {}
CodePage::~CodePage() = default;

bool CodePage::Usable() const { return IsValidCodePage(number_) != 0; }

bool CodePage::Encode(const std::filesystem::path& component, std::string& out) const {
    const std::wstring& wide = component.native();
    out.clear();
    if (wide.empty()) return true;
    BOOL defaulted = FALSE;
    int n = WideCharToMultiByte(number_, WC_NO_BEST_FIT_CHARS, wide.data(), (int)wide.size(), nullptr, 0,
                                nullptr, &defaulted);
    if (n <= 0 || defaulted) return false;
    out.resize((size_t)n);
    WideCharToMultiByte(number_, WC_NO_BEST_FIT_CHARS, wide.data(), (int)wide.size(), &out[0], n, nullptr,
                        &defaulted);
    return !defaulted;
}

std::string CodePage::Display(const std::string& stored) const { return stored; }

#else

static bool Convert(void* descriptor, const std::string& in, std::string& out) {
    iconv_t cd = (iconv_t)descriptor;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh state for every name
    std::vector<char> buffer(in.size() * 4 + 16);
    char* from = const_cast<char*>(in.data());
    size_t fromLeft = in.size();
    char* to = buffer.data();
    size_t toLeft = buffer.size();
    if (iconv(cd, &from, &fromLeft, &to, &toLeft) == (size_t)-1 ||
        iconv(cd, nullptr, nullptr, &to, &toLeft) == (size_t)-1)
        return false;
    out.assign(buffer.data(), (size_t)(to - buffer.data()));
    return true;
}

CodePage::CodePage(unsigned number) : number_(number ? number : 949) {
    std::string name = "CP" + std::to_string(number_);
    iconv_t to = iconv_open(name.c_str(), "UTF-8");
    iconv_t from = iconv_open("UTF-8", name.c_str());
    if (to != (iconv_t)-1) toCodePage_ = (void*)to;
    if (from != (iconv_t)-1) fromCodePage_ = (void*)from;
}

CodePage::~CodePage() {
    if (toCodePage_) iconv_close((iconv_t)toCodePage_);
    if (fromCodePage_) iconv_close((iconv_t)fromCodePage_);
}

bool CodePage::Usable() const { return toCodePage_ && fromCodePage_; }

// Linux names are taken as UTF-8, which is what current systems use.
bool CodePage::Encode(const std::filesystem::path& component, std::string& out) const {
    return toCodePage_ && Convert(toCodePage_, component.native(), out);
}

std::string CodePage::Display(const std::string& stored) const {
    std::string shown;
    if (fromCodePage_ && Convert(fromCodePage_, stored, shown)) return shown;
    return stored;
}

#endif
