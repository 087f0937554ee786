#pragma once

#include <QString>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

// What the parameter window shows of the pedal's effect, in the values its controls stand for: a
// level per parameter, a reverse flag per parameter, and the item each assignment selector shows.
struct EditSnapshot {
    static constexpr std::int32_t kNone = -1; // a selector with no entry, a button (never shown)
    std::vector<std::int32_t> levels;
    std::vector<std::int32_t> reverse; // 1 checked, 0 not
    std::vector<std::int32_t> assignments;
    std::int32_t bypass = kNone;
    std::int32_t preset = kNone;
    std::vector<std::int32_t> readbacks;
};

// One thing that changed, from one value to another.
struct EditChange {
    enum class What { Level, Reverse, Assignment, Bypass, Preset, Readback };
    What what = What::Level;
    int index = 0;
    std::int32_t from = 0;
    std::int32_t to = 0;
};

// Who made a step: the player in the window, the pedal (a knob turned on it), a preset loaded,
// or Revert to Pedal.
enum class EditOrigin { Player, Pedal, Preset, Revert };

struct EditStep {
    EditOrigin origin = EditOrigin::Player;
    std::vector<EditChange> changes;
    // Steps of one gesture (a slider dragged, a knob turned on the pedal) share a key and become
    // one step; empty never merges.
    QString mergeKey;
};

// Every change between two snapshots, levels first, in index order.
std::vector<EditChange> snapshotChanges(const EditSnapshot& from, const EditSnapshot& to);
// The snapshot with the changes' `to` values (forward) or their `from` values put in.
EditSnapshot withChanges(EditSnapshot snapshot, const std::vector<EditChange>& changes, bool forward);

// The history of one effect's edits: what the window showed last (`current`), the steps that led
// there, and the steps undone that can be done again. A new step after an undo drops those.
class EditHistory {
public:
    static constexpr std::size_t kMaxSteps = 500;

    // Forgets every step: another effect is shown.
    void restart(const QString& effect);
    const QString& effect() const { return effect_; }

    // What the window shows now, taken as it is without a step (a Request read, rows rebuilt).
    void settle(const EditSnapshot& shown) { current_ = shown; }
    const EditSnapshot& current() const { return current_; }

    // The difference from what was shown before, as a step; nothing when nothing differs. With the
    // last step's merge key it is added to that step instead (a change made and then taken back
    // within one gesture leaves no step at all).
    bool record(EditOrigin origin, const EditSnapshot& shown, const QString& mergeKey = {});

    bool canUndo() const { return !done_.empty(); }
    bool canRedo() const { return !undone_.empty(); }
    // The step taken back or done again; `current` is then what it leads to.
    std::optional<EditStep> undo();
    std::optional<EditStep> redo();
    const std::deque<EditStep>& steps() const { return done_; }

private:
    QString effect_;
    EditSnapshot current_;
    std::deque<EditStep> done_;
    std::vector<EditStep> undone_;
};
