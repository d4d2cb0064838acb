#pragma once
// Frame of the single-device monitor windows: the header marks on top, the
// window's own body, the Close button, and the 500 ms display timer. The
// caption names the device shown.
#include <QDialog>

struct LinkState;
class MonitorHeader;
class QLayout;
class QPushButton;
class QTimer;
class QVBoxLayout;

class SingleMonitorWindow : public QDialog {
    Q_OBJECT
public:
    // One display tick: read the store and show it.
    virtual void tmrDispGraph_Tick() = 0;

public slots:
    void done(int r) override;

protected:
    SingleMonitorWindow(const QString& name, const QString& caption, const QString& headerText,
                        const QString& programDir, const LinkState& link, QWidget* parent);
    // Puts the body under the header and starts the timer; a fixed window keeps its laid-out size.
    void finish(QLayout* body, bool fixedSize);
    // The caption followed by the selected device, which each tick shows anew.
    void showCaption();

    MonitorHeader* header = nullptr;

private:
    QPushButton* btnClose = nullptr;
    QTimer* tmrDispGraph = nullptr;
    QVBoxLayout* m_root = nullptr;
    const LinkState& m_link;
    QString m_caption;
};
