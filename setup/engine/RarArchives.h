// The install run's archives through the RAR component. Portable.
#pragma once

#include "InstallHost.h"
#include "RARArc.h"

class TRarArchives : public TInstallArchives {
public:
    TRarArchives();
    bool List(const std::string& archive, std::vector<TArchiveEntry>* entries, TArchiveEvents& events) override;
    bool Extract(const std::string& archive, const std::string& dest, bool failIfExists,
                 TArchiveEvents& events) override;

    TRAR RAR1;

private:
    TArchiveEvents* events = nullptr;
};
