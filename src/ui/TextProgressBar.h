#pragma once
// A horizontal bar holding a whole percent, drawn in two bar colours with the
// percent as text, black or white for what lies under each part of it. A
// value outside 0..100 is kept as given (and shown as text); only the bar
// drawing is limited to the empty or the full bar.
#include <QColor>
#include <QWidget>

class TextProgressBar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool textVisible READ isTextVisible WRITE setTextVisible)
public:
    explicit TextProgressBar(QWidget* parent = nullptr);

    int value() const { return m_value; }
    void setValue(int percent);
    QColor barColour1() const { return m_colour1; }
    void setBarColours(const QColor& c1, const QColor& c2);
    QString text() const { return QString::number(m_value) + QLatin1Char('%'); }
    bool isTextVisible() const { return m_textVisible; }
    void setTextVisible(bool visible);
    // Width of the filled part in a bar of the given inner width.
    static int filledWidth(int value, int width);

    QSize sizeHint() const override { return {160, 22}; }
    QSize minimumSizeHint() const override { return {60, 18}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int m_value = 0;
    bool m_textVisible = true;
    QColor m_colour1 = QColor(0, 0, 255);
    QColor m_colour2 = QColor(0, 0, 255);
};
