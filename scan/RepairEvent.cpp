#include "scan/RepairEvent.h"

#include <algorithm>

#include "scan/Repair.h"

namespace scan {
namespace {

constexpr const char* kNoBackup = "none";

std::string CategoriesText(const engine::CategorySet& categories) {
    if (categories == engine::AllCategories()) return "all";
    std::string text;
    for (engine::Category category : categories) {
        if (!text.empty()) text += ", ";
        text += engine::CategoryCaption(category);
    }
    return text.empty() ? "none" : text;
}

void Write(platform::EventLog* log, platform::EventType type, EventMessage message,
           const std::vector<std::string>& inserts) {
    // The log's answer is not the repair's: a full log or a stopped service
    // leaves what was done as it is.
    if (log) log->Write(type, message, inserts);
}

}  // namespace

const char* RestoreName(Restore outcome) {
    switch (outcome) {
    case Restore::Restored: return "restored";
    case Restore::AlreadyEqual: return "already equal";
    case Restore::Failed: break;
    }
    return "failed";
}

void WriteRepairEvent(platform::EventLog* log, const std::vector<engine::Finding>& findings, const std::string& backup,
                      const std::string& user, const engine::CategorySet& categories) {
    const bool asAsked = std::all_of(findings.begin(), findings.end(), [](const engine::Finding& f) {
        return f.outcome == engine::Outcome::Unticked || f.outcome == engine::Outcome::Repaired ||
               f.outcome == engine::Outcome::AlreadyGone;
    });
    Write(log, asAsked ? platform::EventType::Information : platform::EventType::Warning, kRepairEvent,
          {OutcomeSummary(findings), backup.empty() ? kNoBackup : backup, user, CategoriesText(categories)});
}

void WriteRepairRefusedEvent(platform::EventLog* log, bool written, const std::string& backup, const std::string& user,
                             const engine::CategorySet& categories) {
    Write(log, platform::EventType::Error, kRepairRefusedEvent,
          {written ? "the backup file could not be verified" : "the backup file could not be written", backup, user,
           CategoriesText(categories)});
}

void WriteRestoreEvent(platform::EventLog* log, const std::vector<RestoredValue>& values, const std::string& file,
                       const std::string& user) {
    int counts[3] = {};
    for (const RestoredValue& v : values) ++counts[static_cast<int>(v.outcome)];
    std::string summary;
    for (Restore outcome : {Restore::Restored, Restore::AlreadyEqual, Restore::Failed}) {
        if (counts[static_cast<int>(outcome)] == 0) continue;
        if (!summary.empty()) summary += ", ";
        summary += std::to_string(counts[static_cast<int>(outcome)]) + " " + RestoreName(outcome);
    }
    Write(log, counts[static_cast<int>(Restore::Failed)] ? platform::EventType::Warning : platform::EventType::Information,
          kRestoreEvent, {summary.empty() ? "no values" : summary, file, user});
}

void WriteRestoreRefusedEvent(platform::EventLog* log, const std::string& why, const std::string& file,
                              const std::string& user) {
    Write(log, platform::EventType::Error, kRestoreRefusedEvent, {why, file, user});
}

}  // namespace scan
