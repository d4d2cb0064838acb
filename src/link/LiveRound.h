#pragma once
// The round of live polling over the online devices: which device comes
// next, and where the round goes on after another sequence interrupted it,
// so that no device waits longer than a round for it.
struct LinkState;

class LiveRound {
public:
    // Live polling left the round at `next` (the device it would have polled).
    void leave(int next) { m_resume = next; }
    // A new selection is polled before the round goes on.
    void selectFirst(bool on = true) { m_selectedFirst = on; }
    void reset()
    {
        m_resume = -1;
        m_selectedFirst = false;
    }
    // The device after `index` has been polled (or given up on).
    int after(const LinkState& link, int index);
    // The first device polled when live polling starts again after another sequence.
    int start(const LinkState& link);

private:
    int m_resume = -1;
    bool m_selectedFirst = false;
};
