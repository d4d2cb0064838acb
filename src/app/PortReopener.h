#pragma once
// Reopens a port the adapter lost: a try every interval until it opens again
// or is stopped. The headless logger always does; the main window when the
// operator asked for it in Port Setup.
#include "app/LinkSession.h"

#include <QObject>
#include <QString>

class PortReopener : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 10'000;

    // timer: a one-shot timer of intervalMs; null for a real one.
    explicit PortReopener(LinkSession& session, OneShotTimer* timer = nullptr, int intervalMs = kIntervalMs,
                          QObject* parent = nullptr);

    // Off: a lost port stays closed.
    void setEnabled(bool on);
    bool enabled() const { return m_enabled; }
    int intervalMs() const { return m_intervalMs; }

    // Waiting for the next try, or trying: the engine's own messages about
    // opening belong to the tries then.
    bool active() const;
    // No more tries (the operator took the port over, or the program stops).
    void stop();
    // Tries again after the interval: after a pause for a dialog, or when the
    // port could not be opened at all yet (an adapter plugged in later).
    void resume();

signals:
    // What happened, for the owner to say; texts name the port and the interval.
    void lost(const QString& text);   // the port was lost, tries begin
    void failed(const QString& text); // a try failed (said again only when it changes)
    void reopened(const QString& text);

private:
    void tryOpen();
    void tryFailed(const QString& error);
    QString every() const;

    LinkSession& m_session;
    Given<OneShotTimer> m_timer;
    int m_intervalMs;
    bool m_enabled = true;
    bool m_trying = false;
    QString m_lastFailure;
};
