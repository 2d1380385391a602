#include "scan/Repair.h"

#include "scan/ValueRemoval.h"

namespace scan {

RepairCounts RemoveTickedFindings(std::vector<engine::Finding>& findings,
                                  const std::vector<engine::Outcome>& backupOutcomes, platform::Registry& registry) {
    using engine::Outcome;
    RepairCounts counts;
    for (std::size_t i = 0; i < findings.size(); ++i) {
        engine::Finding& finding = findings[i];
        if (!finding.ticked) {
            finding.outcome = Outcome::Unticked;
            continue;
        }
        // A value the backup found gone (removed by an earlier repair, or
        // since the scan) counts as repaired, as it does without the backup.
        finding.outcome = backupOutcomes[i];
        if (finding.outcome == Outcome::None) {
            switch (RemoveRegistryValue(registry, finding.root, finding)) {
            case Removal::Removed: finding.outcome = Outcome::Repaired; break;
            case Removal::AlreadyGone: finding.outcome = Outcome::AlreadyGone; break;
            case Removal::Failed: finding.outcome = Outcome::NotRemoved; break;
            }
        }
        switch (finding.outcome) {
        case Outcome::KeptByBackup: ++counts.kept; break;
        case Outcome::NotRemoved: ++counts.notRemoved; break;
        default: ++counts.repaired; break;
        }
    }
    return counts;
}

std::string RepairMessage(const RepairCounts& counts) {
    std::string message = std::to_string(counts.repaired) + " errors has repaired.";
    if (counts.notRemoved > 0) message += "\r\n" + std::to_string(counts.notRemoved) + " values could not be removed.";
    if (counts.kept > 0)
        message += "\r\n" + std::to_string(counts.kept) + " values were kept because the backup cannot hold them.";
    return message;
}

}  // namespace scan
