#pragma once
// A round lamp, as the SEND and RECV indicators of the main window.
#include <QWidget>

class LedIndicator : public QWidget {
    Q_OBJECT
public:
    explicit LedIndicator(QWidget* parent = nullptr);
    void setColour(const QColor& c);
    QColor colour() const { return m_colour; }
    QSize sizeHint() const override { return {18, 18}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor m_colour = Qt::black;
};
