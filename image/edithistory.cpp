#include "image/edithistory.h"

#include "image/imageobj.h"

bool CEditHistory::Run(CImageObj &picture, std::unique_ptr<CEditOp> op)
{
    if (!op || !op->Apply(picture))
        return false;
    m_steps.resize(m_done);
    if (m_savedAt > m_done)
        m_savedReachable = false;
    m_steps.push_back(std::move(op));
    m_done = m_steps.size();
    while (m_steps.size() > 1 && Bytes() > m_budget)
        DropOldest();
    return true;
}

void CEditHistory::DropOldest()
{
    m_steps.erase(m_steps.begin());
    --m_done;
    if (m_savedAt == 0)
        m_savedReachable = false;
    else
        --m_savedAt;
}

bool CEditHistory::Undo(CImageObj &picture)
{
    if (!CanUndo() || !m_steps[m_done - 1]->Undo(picture))
        return false;
    --m_done;
    return true;
}

bool CEditHistory::Redo(CImageObj &picture)
{
    if (!CanRedo() || !m_steps[m_done]->Redo(picture))
        return false;
    ++m_done;
    return true;
}

void CEditHistory::Reset()
{
    m_steps.clear();
    m_done = 0;
    m_savedAt = 0;
    m_savedReachable = true;
}

void CEditHistory::MarkSaved()
{
    m_savedAt = m_done;
    m_savedReachable = true;
}

bool CEditHistory::LosslessSince(std::vector<EditKind> &kinds) const
{
    kinds.clear();
    if (!m_savedReachable || m_savedAt > m_done)
        return false;
    for (std::size_t i = m_savedAt; i < m_done; ++i) {
        const EditKind kind = m_steps[i]->Kind();
        if (kind == EditKind::Other)
            return false;
        kinds.push_back(kind);
    }
    return true;
}

std::size_t CEditHistory::Bytes() const
{
    std::size_t total = 0;
    for (const auto &step : m_steps)
        total += step->Bytes();
    return total;
}
