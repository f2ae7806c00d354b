#include "PathRoot.h"

PathRoot ParsePathRoot(const std::string& p, bool slashes) {
    auto sep = [slashes](char c) { return c == '\\' || (slashes && c == '/'); };
    auto next = [&](size_t from) {
        for (size_t i = from; i < p.size(); ++i)
            if (sep(p[i])) return i;
        return std::string::npos;
    };
    PathRoot root;
    if (p.size() >= 2 && p[1] == ':') {
        const bool full = p.size() >= 3 && sep(p[2]);
        root.kind = full ? PathRootKind::Drive : PathRootKind::DriveRelative;
        root.length = full ? 3 : 2;
        root.complete = true;
    } else if (p.size() >= 2 && sep(p[0]) && sep(p[1])) {
        root.kind = PathRootKind::Share;
        const size_t server = next(2);
        const size_t share = server == std::string::npos ? server : next(server + 1);
        root.length = share == std::string::npos ? p.size() : share;
        root.complete =
            server != std::string::npos && server > 2 && server + 1 < p.size() && !sep(p[server + 1]);
    }
    return root;
}
