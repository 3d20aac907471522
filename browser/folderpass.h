// Comparing a folder's picture names with the grid's items, and the thumbnail pass that follows:
// which items go (their file is gone), which keep their thumbnail, which get a new one (the file
// was written since) and which names enter as new items. Thumbnails finish in any order on the
// workers; the pass hands the steps back strictly in file-list order, so new items enter the grid
// in folder order. No widgets: the grid window only translates events into these calls.
#pragma once

#include "browser/thumbcachefile.h"
#include "browser/thumbcodec.h"
#include "platform/files.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CThumbObj;
class GridLayout;

// Finds names as the grid compares them: an exact match first, else one differing in case only.
class NameIndex
{
public:
    void Add(const std::string &name, int index);
    // Index given to the matching name, or -1.
    int Find(std::string_view name) const;

private:
    std::unordered_map<std::string, int> m_exact;
    std::unordered_map<std::string, int> m_folded;
};

// What the folder listing does to the items already in the grid (a cache or an earlier pass).
struct FolderMatch {
    // Items whose file is no longer listed, in item order.
    std::vector<CThumbObj *> removed;
    // Items still listed under a name that now differs in case, with the listed name.
    std::vector<std::pair<CThumbObj *, std::string>> renamed;
    bool Changes() const { return !removed.empty() || !renamed.empty(); }
};
FolderMatch MatchFolder(const std::vector<std::string> &files, const ThumbItemList &items);

class FolderPass
{
public:
    // One listed name in a pass.
    struct Step {
        enum Kind { Keep, Replace, Add } kind = Keep;
        std::string name;
        std::shared_ptr<CThumbObj> old; // the item a Replace supersedes
        FileStatusRecord status {};
        bool ready = false;
        ThumbOutcome outcome;
    };
    // A thumbnail to make: the step's sequence number and its file name.
    struct Job {
        int sequence = 0;
        std::string name;
    };
    using StatusOf = std::function<void(const std::string &name, FileStatusRecord &status)>;

    // Plans a step for every listed name: an item of that name whose file is not newer is kept;
    // a newer file replaces it (signed compare: a time moved backward keeps the thumbnail); an
    // unknown name is added. Returns the thumbnails to make.
    std::vector<Job> Plan(
        const std::vector<std::string> &files, const ThumbItemList &items, const StatusOf &statusOf);
    // Stores a worker's result; false when the sequence is not one of this pass's jobs.
    bool Deliver(int sequence, ThumbOutcome &&outcome);
    // The next step in list order once it is ready; false while it is still being made or at the end.
    bool TakeNext(Step &step);
    // Every step was taken.
    bool Done() const { return m_cursor >= m_steps.size(); }
    // Drops the steps not taken yet (Esc): Done() holds afterwards.
    void StopHere() { m_steps.resize(m_cursor); }
    void Clear();
    std::size_t Size() const { return m_steps.size(); }
    std::size_t Cursor() const { return m_cursor; }

    // The place in the grid the step's item will have: a Replace takes its old item's place,
    // an Add enters after every item there and every Add still ahead of it. -1 when unknown.
    long long PlaceOf(
        int sequence, const std::function<int(const CThumbObj *)> &indexOf, int itemCount) const;
    // Priority of a job for the workers: 0 within the visible rows, else the rows away from them.
    long long Priority(int sequence, const std::function<int(const CThumbObj *)> &indexOf, int itemCount,
        const GridLayout &layout) const;

private:
    std::vector<Step> m_steps;
    std::size_t m_cursor = 0;
};
