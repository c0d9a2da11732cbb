#pragma once
// Entries kept in order of first use over the faces, found in runs of faces on the
// worker threads. A walk keeps an entry filed under a key (a point, an edge)
// unless it is the same as the last one kept under that key. A run after the
// first cannot know, at a key's first entry, what the runs before it kept there
// last: that entry is pending until they are done, then takes that one's place
// when the two are the same. The entries and their order are one walk's, for any
// number of runs.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "base/large_blocks.h"
#include "base/task_pool.h"

namespace vgx {

// Same(a, b) tells whether a walk meeting b where it kept a takes a.
template <class Entry, class Same>
class FirstUseRuns {
public:
    // Faces [0, faces) cut into runs of at least 16,384 faces; keys are
    // 0 .. keys - 1. Each run sets aside room for its share of `expected` entries.
    FirstUseRuns(size_t faces, size_t keys, size_t expected) : keys_(keys), expected_(expected) {
        runs_.resize(tasks::RunCount(faces, tasks::kMinFacesPerRun));
        for (size_t r = 0; r < runs_.size(); ++r) {
            runs_[r].firstFace = static_cast<int32_t>(faces * r / runs_.size());
            runs_[r].endFace = static_cast<int32_t>(faces * (r + 1) / runs_.size());
        }
    }

    // Calls walk(run, firstFace, endFace) for every run on the worker threads; the
    // walk calls Keep, KeepOrLatest and Add for its faces in face order.
    template <class Walk>
    void WalkRuns(Walk&& walk) {
        tasks::RunChunks(runs_.size(), [&](size_t r) {
            runs_[r].values.reserve(expected_ / runs_.size());
            GrowForOverwrite(runs_[r].lastAt, keys_);
            std::fill(runs_[r].lastAt.begin(), runs_[r].lastAt.end(), -1);
            walk(r, runs_[r].firstFace, runs_[r].endFace);
        });
    }
    // The run's number of `entry` filed under `key`: the last one kept there when
    // the same, else a new one.
    int32_t Keep(size_t r, int32_t key, const Entry& entry) { return KeepUnder(r, key, entry, false); }
    // Keep, where the run's latest entry kept under any key also serves when the
    // same. The entries are then one walk's only up to entries that repeat an
    // earlier one where runs begin.
    int32_t KeepOrLatest(size_t r, int32_t key, const Entry& entry) { return KeepUnder(r, key, entry, true); }
    // A new entry filed under no key, which no later one takes.
    int32_t Add(size_t r, const Entry& entry) {
        runs_[r].values.push_back(entry);
        return static_cast<int32_t>(runs_[r].values.size()) - 1;
    }

    // After the walks: gives every entry kept its place in one walk's order, for
    // Place and ForEachEntry. Returns how many there are.
    size_t Number() {
        firstPlace_.assign(runs_.size() + 1, 0);
        if (runs_.size() == 1) return firstPlace_[1] = static_cast<int32_t>(runs_[0].values.size());
        tasks::RunChunks(runs_.size(), [&](size_t r) { FindMerges(r); });
        for (size_t r = 0; r < runs_.size(); ++r) {
            firstPlace_[r + 1] = firstPlace_[r] + static_cast<int32_t>(runs_[r].values.size() - runs_[r].merges.size());
        }
        tasks::RunChunks(runs_.size(), [&](size_t r) {
            Run& run = runs_[r];
            run.place.assign(run.values.size(), 0);
            for (const Merge& merge : run.merges) run.place[merge.entry] = -1;
            int32_t next = firstPlace_[r];
            for (int32_t& place : run.place) {
                if (place == 0) place = next++;
            }
        });
        // Run after run: the entry one merged into may itself have merged into an
        // even earlier run's.
        for (Run& run : runs_) {
            for (const Merge& merge : run.merges) run.place[merge.entry] = runs_[merge.run].place[merge.earlier];
        }
        return static_cast<size_t>(firstPlace_.back());
    }
    // After Number: write(place, entry) for every entry kept, on the worker threads,
    // each place once.
    template <class Write>
    void ForEachEntry(Write&& write) const {
        tasks::RunChunks(runs_.size(), [&](size_t r) {
            const Run& run = runs_[r];
            for (size_t entry = 0; entry < run.values.size(); ++entry) {
                const int32_t place = Place(r, static_cast<int32_t>(entry));
                if (place >= firstPlace_[r]) write(static_cast<size_t>(place), run.values[entry]);  // not merged
            }
        });
    }
    // Every entry kept, in one walk's order.
    void Finish(BlockArray<Entry>& entries) {
        if (runs_.size() == 1) {
            entries = std::move(runs_[0].values);  // one walk's entries are the result
            return;
        }
        GrowForOverwrite(entries, Number());
        ForEachEntry([&](size_t place, const Entry& entry) { entries[place] = entry; });
    }
    int32_t Place(size_t r, int32_t number) const { return runs_.size() == 1 ? number : runs_[r].place[number]; }

    size_t RunCount() const { return runs_.size(); }
    int32_t FirstFace(size_t r) const { return runs_[r].firstFace; }
    int32_t EndFace(size_t r) const { return runs_[r].endFace; }

private:
    struct Pending {
        int32_t entry, key;
    };
    struct Merge {
        int32_t entry, run, earlier;  // the entry is run `run`'s entry `earlier`
    };
    struct Run {
        int32_t firstFace = 0, endFace = 0;
        BlockArray<int32_t> lastAt;  // per key: the run's last entry there, -1 before
        int32_t latest = -1;         // the run's last entry kept under a key
        BlockArray<Entry> values;
        std::vector<Pending> pending;
        std::vector<Merge> merges;
        std::vector<int32_t> place;  // entry -> place among all entries
    };

    int32_t KeepUnder(size_t r, int32_t key, const Entry& entry, bool orLatest) {
        Run& run = runs_[r];
        int32_t& last = run.lastAt[key];
        if (last >= 0 && Same{}(run.values[last], entry)) return last;
        if (orLatest && run.latest >= 0 && Same{}(run.values[run.latest], entry)) return last = run.latest;
        const int32_t added = Add(r, entry);
        if (last < 0 && r > 0) run.pending.push_back({added, key});
        return last = run.latest = added;
    }

    // A pending entry takes the place of what the latest earlier run to file
    // anything under its key kept there last, when the two are the same.
    void FindMerges(size_t r) {
        Run& run = runs_[r];
        for (const Pending& pending : run.pending) {
            for (size_t earlier = r; earlier-- > 0;) {
                const int32_t last = runs_[earlier].lastAt[pending.key];
                if (last < 0) continue;
                if (Same{}(runs_[earlier].values[last], run.values[pending.entry])) {
                    run.merges.push_back({pending.entry, static_cast<int32_t>(earlier), last});
                }
                break;
            }
        }
    }

    size_t keys_, expected_;
    std::vector<Run> runs_;
    std::vector<int32_t> firstPlace_;  // per run: its first entry's place, then the count
};

}  // namespace vgx
