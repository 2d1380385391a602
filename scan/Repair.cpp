#include "scan/Repair.h"

#include <algorithm>
#include <map>

#include "scan/ValueRemoval.h"

namespace scan {

void KeepIgnoredFindings(std::vector<engine::Finding>& findings, engine::FindingRules& rules,
                         engine::IgnoreList ignored) {
    rules.SetIgnoreList(std::move(ignored));
    for (engine::Finding& finding : findings) {
        if (!finding.ticked || !rules.Ignores(finding)) continue;
        finding.ticked = false;
        finding.outcome = engine::Outcome::Ignored;
    }
}

RepairCounts RemoveTickedFindings(std::vector<engine::Finding>& findings,
                                  const std::vector<engine::Outcome>& backupOutcomes, platform::Registry& registry,
                                  OpenKeys* keys, const RepairStep& step, RepairCounts* counted) {
    using engine::Outcome;
    OpenKeys ownKeys(registry);  // closed on return when the caller keeps none
    OpenKeys& reached = keys ? *keys : ownKeys;
    int total = 0;
    for (const engine::Finding& finding : findings) total += finding.ticked ? 1 : 0;
    int done = 0;
    RepairCounts ownCounts;
    RepairCounts& counts = counted ? *counted : ownCounts;
    counts = {};
    for (std::size_t i = 0; i < findings.size(); ++i) {
        engine::Finding& finding = findings[i];
        if (!finding.ticked) {
            if (finding.outcome == Outcome::Ignored)
                ++counts.ignored;
            else
                finding.outcome = Outcome::Unticked;
            continue;
        }
        if (step && !step(++done, total)) {
            counts.stopped = true;
            break;
        }
        // A value the backup found gone (removed by an earlier repair, or
        // since the scan) counts as repaired, as it does without the backup.
        finding.outcome = backupOutcomes[i];
        if (finding.outcome == Outcome::None) {
            switch (RemoveRegistryValue(reached, finding)) {
            case Removal::Removed: finding.outcome = Outcome::Repaired; break;
            case Removal::AlreadyGone: finding.outcome = Outcome::AlreadyGone; break;
            case Removal::Failed: finding.outcome = Outcome::NotRemoved; break;
            case Removal::Changed: finding.outcome = Outcome::ChangedSinceScan; break;
            }
        }
        switch (finding.outcome) {
        case Outcome::KeptByBackup: ++counts.kept; break;
        case Outcome::NotRemoved: ++counts.notRemoved; break;
        case Outcome::ChangedSinceScan: ++counts.changed; break;
        default: ++counts.repaired; break;
        }
    }
    return counts;
}

bool AnyToRemove(const std::vector<engine::Finding>& findings, const std::vector<engine::Outcome>& backupOutcomes) {
    for (std::size_t i = 0; i < findings.size(); ++i)
        if (findings[i].ticked && backupOutcomes[i] == engine::Outcome::None) return true;
    return false;
}

bool AnyRemoved(const std::vector<engine::Finding>& findings) {
    for (const engine::Finding& finding : findings)
        if (finding.outcome == engine::Outcome::Repaired) return true;
    return false;
}

std::string RepairMessage(const RepairCounts& counts) {
    std::string message = std::to_string(counts.repaired) + " errors has repaired.";
    if (counts.notRemoved > 0) message += "\r\n" + std::to_string(counts.notRemoved) + " values could not be removed.";
    if (counts.kept > 0)
        message += "\r\n" + std::to_string(counts.kept) + " values were kept because the backup cannot hold them.";
    if (counts.ignored > 0)
        message += "\r\n" + std::to_string(counts.ignored) + " values were kept because the ignore list now covers them.";
    if (counts.changed > 0)
        message += "\r\n" + std::to_string(counts.changed) + " values were kept because they changed since the scan.";
    return message;
}

const char* OutcomeName(engine::Outcome outcome) {
    switch (outcome) {
    case engine::Outcome::Repaired: return "repaired";
    case engine::Outcome::AlreadyGone: return "already gone";
    case engine::Outcome::KeptByBackup: return "kept";
    case engine::Outcome::Ignored: return "ignored";
    case engine::Outcome::NotRemoved: return "not removed";
    case engine::Outcome::ChangedSinceScan: return "changed";
    case engine::Outcome::None:
    case engine::Outcome::Unticked: break;
    }
    return "stopped";  // the repair ended before it reached the value
}

const char* OutcomeReason(engine::Outcome outcome) {
    switch (outcome) {
    case engine::Outcome::KeptByBackup: return "the backup cannot hold it";
    case engine::Outcome::Ignored: return "an entry of the ignore list made since the scan began keeps it";
    case engine::Outcome::ChangedSinceScan: return "changed since the scan";
    default: return "";
    }
}

std::string OutcomeSummary(const std::vector<engine::Finding>& findings) {
    std::map<engine::Outcome, int> counts;
    for (const engine::Finding& f : findings)
        if (f.outcome != engine::Outcome::Unticked) ++counts[f.outcome];
    // The stopped ones (no outcome yet) are told last, after what was done.
    std::vector<std::pair<engine::Outcome, int>> ordered(counts.begin(), counts.end());
    if (!ordered.empty() && ordered.front().first == engine::Outcome::None)
        std::rotate(ordered.begin(), ordered.begin() + 1, ordered.end());
    std::string text;
    for (const auto& [outcome, count] : ordered) {
        if (!text.empty()) text += ", ";
        text += std::to_string(count) + " " + OutcomeName(outcome);
    }
    return text.empty() ? "nothing to repair" : text;
}

}  // namespace scan
