#pragma once
// Reopens a port the adapter lost: a try every interval until it opens again
// or is stopped. The headless logger always does; the main window when the
// operator asked for it in Port Setup.
#include <QString>
#include <functional>
#include <memory>

class LinkSession;
class OneShotTimer;

class PortReopener {
public:
    static constexpr int kIntervalMs = 10'000;

    // timer: a one-shot timer of intervalMs; null for a real one.
    explicit PortReopener(LinkSession& session, OneShotTimer* timer = nullptr, int intervalMs = kIntervalMs);
    ~PortReopener();
    PortReopener(const PortReopener&) = delete;
    PortReopener& operator=(const PortReopener&) = delete;

    // Off: a lost port stays closed.
    void setEnabled(bool on);
    bool enabled() const { return m_enabled; }

    // What happened, for the owner to say; texts name the port and the interval.
    std::function<void(const QString& text)> onLost;   // the port was lost, tries begin
    std::function<void(const QString& text)> onFailed; // a try failed (said again only when it changes)
    std::function<void(const QString& text)> onReopened;

    // Waiting for the next try, or trying: the engine's own messages about
    // opening belong to the tries then.
    bool active() const;
    // No more tries (the operator took the port over, or the program stops).
    void stop();
    // Tries again after the interval (after a pause for a dialog).
    void resume();

private:
    void tryOpen();
    QString every() const;

    LinkSession& m_session;
    std::unique_ptr<OneShotTimer> m_own;
    OneShotTimer& m_timer;
    int m_intervalMs;
    bool m_enabled = true;
    bool m_trying = false;
    QString m_lastFailure;
};
