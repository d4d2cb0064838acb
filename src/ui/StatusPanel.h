#pragma once
// A status bar panel: shows its whole text, or as much as fits followed by
// "…" with the whole text in its tooltip. text() is always the whole text.
#include <QLabel>

class StatusPanel : public QLabel {
public:
    explicit StatusPanel(QWidget* parent = nullptr);

    void setText(const QString& text);
    // A panel that never shrinks below its whole text (port, line settings).
    void setKeepWhole(bool keep);
    void setElideMode(Qt::TextElideMode mode) { m_elide = mode; }
    // The text does not fit and shows elided.
    bool isElided() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateTip();
    bool m_keepWhole = false;
    Qt::TextElideMode m_elide = Qt::ElideRight;
};
