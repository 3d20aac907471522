// Undo and redo of a picture's edits within a memory budget, and whether the picture differs from
// its file.
#pragma once

#include "image/editop.h"

#include <cstddef>
#include <memory>
#include <vector>

class CImageObj;

// Bytes the kept steps may hold before the oldest are dropped.
constexpr std::size_t kDefaultUndoBudget = std::size_t(256) << 20;

class CEditHistory
{
public:
    explicit CEditHistory(std::size_t budget = kDefaultUndoBudget)
        : m_budget(budget)
    {
    }

    // Runs op on picture. On success it becomes the newest step: the steps that could be redone
    // go, and the oldest go while the steps hold more than the budget (the newest stays).
    bool Run(CImageObj &picture, std::unique_ptr<CEditOp> op);
    bool CanUndo() const { return m_done > 0; }
    bool CanRedo() const { return m_done < m_steps.size(); }
    bool Undo(CImageObj &picture);
    bool Redo(CImageObj &picture);

    // A new picture: no steps, and the picture is its file's.
    void Reset();
    // The picture as it is now is in its file.
    void MarkSaved();
    // The picture differs from what its file held at load or the last save.
    bool IsModified() const { return !m_savedReachable || m_savedAt != m_done; }

    // The steps from the file's state to now when each is a quarter turn, mirror or flip (oldest
    // first); false when any other edit, an undo past the saved state or a dropped step is in
    // between.
    bool LosslessSince(std::vector<EditKind> &kinds) const;

    std::size_t StepCount() const { return m_steps.size(); }
    std::size_t UndoCount() const { return m_done; }
    std::size_t Bytes() const;
    std::size_t Budget() const { return m_budget; }

private:
    void DropOldest();

    std::size_t m_budget;
    std::vector<std::unique_ptr<CEditOp>> m_steps;
    std::size_t m_done = 0; // m_steps[0, m_done) are applied
    std::size_t m_savedAt = 0; // m_done when the file was written or read
    bool m_savedReachable = true;
};
