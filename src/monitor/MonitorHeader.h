#pragma once
// The header strip of the single-device monitors: window title, the
// recorder's date and time, memory marks and ratios, digital-input marks and
// the alarm mark.
#include "monitor/DisplayRules.h"

#include <QFrame>
#include <array>

class GradientLabel;
class QLabel;

class MonitorHeader : public QFrame {
    Q_OBJECT
public:
    MonitorHeader(const QString& title, const QString& programDir, QWidget* parent = nullptr);

    void showMarks(const rules::HeaderDisplay& h);
    // Picture file last shown (empty when the file was missing and the picture cleared).
    QString memPicture() const { return m_memFile; }

    QLabel* lblTitle = nullptr;
    QLabel* lblSysDate = nullptr;
    QLabel* lblSysTime = nullptr;
    QLabel* imgSD = nullptr;
    QLabel* lblMEM_Ratio = nullptr;
    QLabel* lblSDC_Ratio = nullptr;
    std::array<GradientLabel*, 6> lblDInput{};
    QFrame* picAlarm = nullptr;
    QLabel* imgAlarm = nullptr;

private:
    // Shows a picture file in a label; a missing file clears it. Returns the path used.
    QString showPicture(QLabel* target, const QString& name, QString& lastName);

    QString m_programDir;
    QString m_alarmName, m_memName;
    QString m_memFile;
};
