#include "link/LiveRound.h"

#include "link/LinkState.h"

#include <utility>

int LiveRound::after(const LinkState& link, int index)
{
    int next = link.nextOnlineIndex(index);
    if (const int resume = std::exchange(m_resume, -1); resume != index && link.isOnline(resume))
        next = resume;
    return next;
}

int LiveRound::start(const LinkState& link)
{
    int start = -1;
    if (std::exchange(m_selectedFirst, false) && link.isOnline(link.gSelMC_Index))
        start = link.gSelMC_Index;
    else
        start = link.isOnline(m_resume) ? m_resume : link.nextOnlineIndex(link.gSelMC_Index);
    m_resume = -1;
    return start;
}
