#include "params/EditHistory.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

using What = EditChange::What;

void compare(std::vector<EditChange>& into, What what, const std::vector<std::int32_t>& from,
             const std::vector<std::int32_t>& to) {
    const std::size_t n = std::max(from.size(), to.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t a = i < from.size() ? from[i] : EditSnapshot::kNone;
        const std::int32_t b = i < to.size() ? to[i] : EditSnapshot::kNone;
        if (a != b)
            into.push_back({what, static_cast<int>(i), a, b});
    }
}

std::vector<std::int32_t>* listOf(EditSnapshot& s, What what) {
    switch (what) {
    case What::Level:
        return &s.levels;
    case What::Reverse:
        return &s.reverse;
    case What::Assignment:
        return &s.assignments;
    case What::Readback:
        return &s.readbacks;
    case What::Bypass:
    case What::Preset:
        break;
    }
    return nullptr;
}

} // namespace

std::vector<EditChange> snapshotChanges(const EditSnapshot& from, const EditSnapshot& to) {
    std::vector<EditChange> changes;
    compare(changes, What::Level, from.levels, to.levels);
    compare(changes, What::Assignment, from.assignments, to.assignments);
    if (from.bypass != to.bypass)
        changes.push_back({What::Bypass, 0, from.bypass, to.bypass});
    if (from.preset != to.preset)
        changes.push_back({What::Preset, 0, from.preset, to.preset});
    compare(changes, What::Readback, from.readbacks, to.readbacks);
    // After the assignments: taking a parameter's control away clears its reverse flag.
    compare(changes, What::Reverse, from.reverse, to.reverse);
    return changes;
}

EditSnapshot withChanges(EditSnapshot snapshot, const std::vector<EditChange>& changes, bool forward) {
    for (const EditChange& c : changes) {
        const std::int32_t value = forward ? c.to : c.from;
        if (c.what == What::Bypass) {
            snapshot.bypass = value;
            continue;
        }
        if (c.what == What::Preset) {
            snapshot.preset = value;
            continue;
        }
        std::vector<std::int32_t>& list = *listOf(snapshot, c.what);
        if (static_cast<std::size_t>(c.index) >= list.size())
            list.resize(static_cast<std::size_t>(c.index) + 1, EditSnapshot::kNone);
        list[static_cast<std::size_t>(c.index)] = value;
    }
    return snapshot;
}

void EditHistory::restart(const QString& effect) {
    effect_ = effect;
    current_ = {};
    done_.clear();
    undone_.clear();
}

bool EditHistory::record(EditOrigin origin, const EditSnapshot& shown, const QString& mergeKey) {
    std::vector<EditChange> changes = snapshotChanges(current_, shown);
    if (changes.empty())
        return false;
    undone_.clear();
    if (!mergeKey.isEmpty() && !done_.empty() && done_.back().mergeKey == mergeKey) {
        // One gesture, one step: from where the gesture started to where it is now.
        EditStep& last = done_.back();
        const EditSnapshot start = withChanges(current_, last.changes, false);
        current_ = shown;
        last.changes = snapshotChanges(start, shown);
        if (last.changes.empty())
            done_.pop_back();
        return true;
    }
    current_ = shown;
    done_.push_back({origin, std::move(changes), mergeKey});
    if (done_.size() > kMaxSteps)
        done_.pop_front();
    return true;
}

std::optional<EditStep> EditHistory::undo() {
    if (done_.empty())
        return std::nullopt;
    EditStep step = std::move(done_.back());
    done_.pop_back();
    current_ = withChanges(current_, step.changes, false);
    undone_.push_back(step);
    return step;
}

std::optional<EditStep> EditHistory::redo() {
    if (undone_.empty())
        return std::nullopt;
    EditStep step = std::move(undone_.back());
    undone_.pop_back();
    current_ = withChanges(current_, step.changes, true);
    // The key stays behind: a gesture that goes on after a redo is a step of its own.
    step.mergeKey.clear();
    done_.push_back(step);
    return step;
}
