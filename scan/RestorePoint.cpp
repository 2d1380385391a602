#include "scan/RestorePoint.h"

#include "profile/ModuleNormal.h"

namespace scan {
namespace {

using Outcome = RestorePointOutcome;

constexpr const char* kDescription = "Varnholt registry repair";
constexpr const char* kLastNumberKey = "LastRestorePoint";

// System errors SRSetRestorePointW reports.
constexpr std::uint32_t kNoStatus = 0;  // Wine's srclient: a stub that fails without a reason
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kProcNotFound = 127;
constexpr std::uint32_t kServiceDisabled = 1058;  // System Protection is off
constexpr std::uint32_t kPrivilegeNotHeld = 1314;

// Windows makes a new point at every request only when the frequency is set
// to 0 minutes (by default it is 1440: a day).
bool MakesEveryPoint(platform::Registry& registry) {
    platform::RegHandle key = 0;
    if (registry.OpenKeyEx(platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\SystemRestore", 0,
                           platform::kKeyQueryValue, &key) != platform::kErrorSuccess)
        return false;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    const bool zero = registry.QueryValue(key, "SystemRestorePointCreationFrequency", &type, &data) ==
                          platform::kErrorSuccess &&
                      type == platform::kRegDword && data == std::vector<std::uint8_t>(4, 0);
    registry.CloseKey(key);
    return zero;
}

std::string Numbered(const RestorePointResult& point) { return " (number " + std::to_string(point.number) + ")"; }

}  // namespace

RestorePointResult BeginRestorePoint(const RestorePointServices& s) {
    RestorePointResult point;
    platform::RestorePointAnswer answer;
    answer.status = platform::kRestorePointsMissing;
    if (s.system) s.ui.WaitFor([&] { answer = s.system->Begin(kDescription); });
    if (!answer.succeeded) {
        switch (answer.status) {
        case kNoStatus:
        case kAccessDenied:
        case platform::kRestorePointsMissing:
        case kProcNotFound:
        case kServiceDisabled:
        case kPrivilegeNotHeld: point.outcome = Outcome::NotAvailable; break;
        default: point.outcome = Outcome::Failed; break;
        }
        point.error = answer.status;
        return point;
    }
    point.number = answer.sequence;
    // Within its frequency Windows answers with the point it made last, and
    // says nothing of it. A number this program was given before is such a
    // point for certain; any other may be one too, unless Windows makes a
    // point at every request.
    const std::string last =
        profile::ReadProfileValue(s.profile, s.profilePath, profile::kRecords, kLastNumberKey);
    if (last == std::to_string(point.number))
        point.outcome = Outcome::Kept;
    else
        point.outcome = MakesEveryPoint(s.registry) ? Outcome::Made : Outcome::MayHaveKept;
    profile::WriteProfileValue(s.profile, s.profilePath, profile::kRecords, kLastNumberKey,
                               std::to_string(point.number));
    return point;
}

void EndRestorePoint(const RestorePointServices& s, const RestorePointResult& point, bool changed) {
    const bool begun =
        point.outcome == Outcome::Made || point.outcome == Outcome::Kept || point.outcome == Outcome::MayHaveKept;
    if (begun && s.system) s.ui.WaitFor([&] { s.system->End(point.number, changed); });
}

std::string RestorePointLine(const RestorePointResult& point) {
    switch (point.outcome) {
    case Outcome::NotAsked: break;
    case Outcome::Made: return "A restore point was made" + Numbered(point) + ".";
    case Outcome::Kept: return "Windows kept the restore point it made within the last 24 hours" + Numbered(point) + ".";
    case Outcome::MayHaveKept: return "Windows may have kept an earlier restore point" + Numbered(point) + ".";
    case Outcome::NotAvailable: return "No restore point was made: " + RestorePointReason(point) + ".";
    case Outcome::Failed: return "The restore point failed: " + RestorePointReason(point) + ".";
    }
    return {};
}

const char* RestorePointOutcomeName(RestorePointOutcome outcome) {
    switch (outcome) {
    case Outcome::NotAsked: break;
    case Outcome::Made: return "made";
    case Outcome::Kept: return "kept";
    case Outcome::MayHaveKept: return "may have kept";
    case Outcome::NotAvailable: return "not available";
    case Outcome::Failed: return "failed";
    }
    return "";
}

std::string RestorePointReason(const RestorePointResult& point) {
    if (point.outcome == Outcome::Failed) return "error " + std::to_string(point.error);
    if (point.outcome != Outcome::NotAvailable) return {};
    switch (point.error) {
    case kServiceDisabled: return "System Protection is off";
    case kAccessDenied:
    case kPrivilegeNotHeld: return "it needs administrator rights";
    case kNoStatus: return "System Restore gave no answer";
    default: return "this system has no System Restore";
    }
}

}  // namespace scan
