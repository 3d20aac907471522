#include "browser/folderpass.h"

#include "browser/gridlayout.h"
#include "browser/thumblist.h"
#include "browser/thumbobj.h"

#include <algorithm>

void NameIndex::Add(const std::string &name, int index)
{
    m_exact.emplace(name, index);
    m_folded.emplace(FileNameKey(name), index);
}

int NameIndex::Find(std::string_view name) const
{
    auto e = m_exact.find(std::string(name));
    if (e != m_exact.end())
        return e->second;
    auto f = m_folded.find(FileNameKey(name));
    return f != m_folded.end() ? f->second : -1;
}

FolderMatch MatchFolder(const std::vector<std::string> &files, const ThumbItemList &items)
{
    NameIndex listed;
    for (std::size_t i = 0; i < files.size(); ++i)
        listed.Add(files[i], static_cast<int>(i));
    FolderMatch match;
    for (const auto &item : items) {
        int found = listed.Find(item->GetName());
        if (found < 0)
            match.removed.push_back(item.get());
        else if (item->GetName() != files[found])
            match.renamed.emplace_back(item.get(), files[found]);
    }
    return match;
}

std::vector<FolderPass::Job> FolderPass::Plan(
    const std::vector<std::string> &files, const ThumbItemList &items, const StatusOf &statusOf)
{
    Clear();
    NameIndex existing;
    for (std::size_t i = 0; i < items.size(); ++i)
        existing.Add(items[i]->GetName(), static_cast<int>(i));
    std::vector<Job> jobs;
    m_steps.resize(files.size());
    for (std::size_t k = 0; k < files.size(); ++k) {
        Step &step = m_steps[k];
        step.name = files[k];
        statusOf(step.name, step.status);
        int found = existing.Find(step.name);
        if (found >= 0) {
            const auto &item = items[found];
            if (step.status.lastWriteTime <= item->GetFileStatus().lastWriteTime) {
                step.kind = Step::Keep;
                step.ready = true;
                continue;
            }
            step.kind = Step::Replace;
            step.old = item;
        } else {
            step.kind = Step::Add;
        }
        jobs.push_back(Job { static_cast<int>(k), step.name });
    }
    return jobs;
}

bool FolderPass::Deliver(int sequence, ThumbOutcome &&outcome)
{
    if (sequence < 0 || static_cast<std::size_t>(sequence) >= m_steps.size()
        || static_cast<std::size_t>(sequence) < m_cursor)
        return false;
    Step &step = m_steps[sequence];
    if (step.kind == Step::Keep || step.ready)
        return false;
    step.outcome = std::move(outcome);
    step.ready = true;
    return true;
}

bool FolderPass::TakeNext(Step &step)
{
    if (m_cursor >= m_steps.size() || !m_steps[m_cursor].ready)
        return false;
    step = std::move(m_steps[m_cursor]);
    ++m_cursor;
    return true;
}

void FolderPass::Clear()
{
    m_steps.clear();
    m_cursor = 0;
}

long long FolderPass::PlaceOf(
    int sequence, const std::function<int(const CThumbObj *)> &indexOf, int itemCount) const
{
    if (sequence < 0 || static_cast<std::size_t>(sequence) >= m_steps.size())
        return -1;
    const Step &step = m_steps[sequence];
    if (step.kind == Step::Replace)
        return indexOf(step.old.get());
    if (step.kind == Step::Keep)
        return -1;
    long long index = itemCount;
    for (std::size_t k = m_cursor; k < static_cast<std::size_t>(sequence); ++k)
        index += m_steps[k].kind == Step::Add ? 1 : 0;
    return index;
}

long long FolderPass::Priority(int sequence, const std::function<int(const CThumbObj *)> &indexOf,
    int itemCount, const GridLayout &layout) const
{
    long long index = PlaceOf(sequence, indexOf, itemCount);
    if (index < 0)
        return 0;
    int columns = std::max(layout.Columns(), 1);
    long long row = index / columns;
    long long top = layout.ScrollOffset() / std::max(layout.Pitch(), 1);
    long long bottom = top + std::max(layout.VisibleRows(), 1);
    if (row < top)
        return top - row;
    if (row > bottom)
        return row - bottom;
    return 0;
}
