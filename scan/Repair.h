#pragma once
// The removal step of a repair, shared by the scan window and the command
// line: each ticked finding's value removed unless the backup kept it, and
// every finding told what became of it.
#include <string>
#include <vector>

#include "engine/Finding.h"
#include "engine/FindingRules.h"
#include "platform/Registry.h"
#include "scan/ValueRemoval.h"

namespace scan {

struct RepairCounts {
    int repaired = 0;    // removed, or found gone already
    int notRemoved = 0;  // the removal failed
    int kept = 0;        // the backup cannot hold the value, so it stays
    int ignored = 0;     // an entry of the ignore list made since the scan keeps it
    int changed = 0;     // not where the scan found it, or not as it was: it stays
    bool stopped = false;  // the step stopped it before every ticked finding was taken up
};

// Before a repair removes anything: the ticked findings
// that the ignore list as it is now covers (entries added since the scan, in
// another window or by the command line) are unticked and kept.
void KeepIgnoredFindings(std::vector<engine::Finding>& findings, engine::FindingRules& rules,
                         engine::IgnoreList ignored);

// `backupOutcomes`: the backup's answer, one per finding (all None without
// a backup). An unticked finding is left alone. `keys`: the keys the backup
// reached, kept open (the removal opens its own when none); `step`: told as
// each ticked finding is taken up; `counted`: kept up to date value by
// value, for a caller that must record them before the removal returns.
RepairCounts RemoveTickedFindings(std::vector<engine::Finding>& findings,
                                  const std::vector<engine::Outcome>& backupOutcomes, platform::Registry& registry,
                                  OpenKeys* keys = nullptr, const RepairStep& step = {},
                                  RepairCounts* counted = nullptr);

// Whether a ticked finding is left for the removal after the backup's
// answer (one per finding), and whether the removal removed any.
bool AnyToRemove(const std::vector<engine::Finding>& findings, const std::vector<engine::Outcome>& backupOutcomes);
bool AnyRemoved(const std::vector<engine::Finding>& findings);

// The message at the end of a repair.
std::string RepairMessage(const RepairCounts& counts);

// What a report calls an outcome: "repaired", "already gone", "kept", ...;
// a ticked finding the repair never reached is "stopped".
const char* OutcomeName(engine::Outcome outcome);
// Why a value was left where it is, for the outcomes that keep one; empty
// for the others.
const char* OutcomeReason(engine::Outcome outcome);
// What became of a repair's findings, counted by outcome in the outcomes'
// order, the stopped ones last: "7 repaired, 5 already gone, 1 kept". The
// findings the repair left alone (unticked) are not counted; "nothing to
// repair" when none is left.
std::string OutcomeSummary(const std::vector<engine::Finding>& findings);

}  // namespace scan
