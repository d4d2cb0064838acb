#pragma once
// A text on a two-colour gradient: colour 1 on the left fading into colour 2
// on the right. Each part of the text is drawn black or white, whichever
// reads better on the colour under it.
#include "ui/FitLabel.h"

#include <QColor>

class GradientLabel : public FitLabel {
    Q_OBJECT
public:
    explicit GradientLabel(const QString& text = QString(), QWidget* parent = nullptr);

    QColor colour1() const { return m_colour1; }
    QColor colour2() const { return m_colour2; }
    void setColour1(const QColor& c);
    void setColour2(const QColor& c);
    void setColours(const QColor& c1, const QColor& c2);
    // Greyed text: what it shows is old.
    void setMuted(bool muted);
    bool muted() const { return m_muted; }

protected:
    void paintEvent(QPaintEvent*) override;
    QRect textRect() const override;

private:
    QColor m_colour1 = QColor(250, 250, 250);
    QColor m_colour2 = QColor(200, 205, 215);
    bool m_muted = false;
};
