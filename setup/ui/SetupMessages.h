// The texts setup shows when an install cannot go on: a cancelled or failed
// run, an install directory that cannot be used. Made here, at the edge, from
// the closed lists of the run and of the directory check. Portable.
#pragma once

#include <string>

#include "InstallOutcome.h"
#include "InstallText.h"

extern const char kCancelledText[];  // "프로그램 설치가 취소되었습니다."
extern const char kFailedText[];  // "설치 중 오류가 발생하여 설치를 마치지 못했습니다."

// The box text for a run that did not complete: what failed, why, and
// whether everything is as it was before. Empty for a completed run.
std::string RunEndText(const TInstallOutcome& outcome);

// The reason given for a fault, one sentence or two; empty for ifNone and
// ifUnexpected.
std::string FaultText(TInstallFault fault);

// The run log's English words for a fault, and its error line for a failed
// run: the fault, the item and the file or key it concerns.
const char* FaultName(TInstallFault fault);
std::string RunEndLogText(const TInstallOutcome& outcome);

// Said when another setup of the product `name` runs already.
std::string AlreadyRunningText(const std::string& name);

// Why an install directory cannot be used, naming it; empty for dcValid.
std::string InstallDirText(TDirCheck check, const std::string& dir);
