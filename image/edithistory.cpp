#include "image/edithistory.h"

#include "image/imageobj.h"

bool CEditHistory::Run(CImageObj &picture, std::unique_ptr<CEditOp> op)
{
    if (!op || !op->Apply(picture))
        return false;
    steps_.resize(done_);
    if (savedAt_ > done_)
        savedReachable_ = false;
    steps_.push_back(std::move(op));
    done_ = steps_.size();
    while (steps_.size() > 1 && Bytes() > budget_)
        DropOldest();
    return true;
}

void CEditHistory::DropOldest()
{
    steps_.erase(steps_.begin());
    --done_;
    if (savedAt_ == 0)
        savedReachable_ = false;
    else
        --savedAt_;
}

bool CEditHistory::Undo(CImageObj &picture)
{
    if (!CanUndo() || !steps_[done_ - 1]->Undo(picture))
        return false;
    --done_;
    return true;
}

bool CEditHistory::Redo(CImageObj &picture)
{
    if (!CanRedo() || !steps_[done_]->Redo(picture))
        return false;
    ++done_;
    return true;
}

void CEditHistory::Reset()
{
    steps_.clear();
    done_ = 0;
    savedAt_ = 0;
    savedReachable_ = true;
}

void CEditHistory::MarkSaved()
{
    savedAt_ = done_;
    savedReachable_ = true;
}

bool CEditHistory::LosslessSince(std::vector<EditKind> &kinds) const
{
    kinds.clear();
    if (!savedReachable_ || savedAt_ > done_)
        return false;
    for (std::size_t i = savedAt_; i < done_; ++i) {
        const EditKind kind = steps_[i]->Kind();
        if (kind == EditKind::Other)
            return false;
        kinds.push_back(kind);
    }
    return true;
}

std::size_t CEditHistory::Bytes() const
{
    std::size_t total = 0;
    for (const auto &step : steps_)
        total += step->Bytes();
    return total;
}
